// The parts of atomic_file.h that are the same on every OS.
#include "util/atomic_file.h"

namespace q7310 {

bool IsTemporaryFileName(std::string_view name) {
  const auto at = name.rfind(kTemporaryInfix);
  // Six random characters follow the infix.
  return at != std::string_view::npos && at > 0 && name.size() == at + kTemporaryInfix.size() + 6;
}

MoveResult WriteNewFileAtomically(const std::string& path, std::span<const uint8_t> data,
                                  std::string* error) {
  const std::string tmp = WriteTemporaryFile(path, data, error);
  if (tmp.empty()) return MoveResult::kFailed;
  std::string reason;
  const MoveResult moved = MoveIntoPlaceWithoutReplacing(tmp, path, &reason);
  if (moved != MoveResult::kMoved) {
    RemoveFile(tmp);
    if (moved == MoveResult::kFailed && error) *error = "cannot create " + path + ": " + reason;
    return moved;
  }
  SyncFolderOf(path);
  return moved;
}

}  // namespace q7310
