#include "backup/backup_history.h"

#include <filesystem>
#include <system_error>

#include "util/atomic_file.h"
#include "util/local_time.h"
#include "util/path_join.h"
#include "util/utf8_path.h"

namespace q7310 {
namespace {

constexpr int kMaxSameSecondCopies = 100;

std::string NumberedName(const std::string& base, int n) {
  if (n == 1) return base + ".BIN";
  return base + "-" + std::to_string(n) + ".BIN";
}

}  // namespace

std::string HistoryFileName(std::time_t when) {
  const std::tm tm = LocalTime(when);
  char name[40];
  std::strftime(name, sizeof name, "BACKUP-%Y%m%d-%H%M%S.BIN", &tm);
  return name;
}

std::string SaveHistoryCopy(const std::string& folder, std::span<const uint8_t> data,
                            std::time_t when, std::string* error) {
  std::error_code ec;
  std::filesystem::create_directories(Utf8Path(folder), ec);
  if (ec) {
    if (error) *error = "cannot create " + folder + ": " + ec.message();
    return {};
  }
  std::string base = HistoryFileName(when);
  base.resize(base.size() - 4);  // without ".BIN"
  // The copy is written whole and flushed under a temporary name first, so that no real name
  // ever holds an empty or partial copy, then moved to the first free numbered name.
  const std::string tmp = WriteTemporaryFile(JoinPath(folder, NumberedName(base, 1)), data, error);
  if (tmp.empty()) return {};
  for (int n = 1; n <= kMaxSameSecondCopies; ++n) {
    const std::string path = JoinPath(folder, NumberedName(base, n));
    std::string reason;
    const MoveResult moved = MoveIntoPlaceWithoutReplacing(tmp, path, &reason);
    if (moved == MoveResult::kNameTaken) continue;
    if (moved == MoveResult::kFailed) {
      RemoveFile(tmp);
      if (error) *error = "cannot create " + path + ": " + reason;
      return {};
    }
    SyncFolderOf(path);
    return path;
  }
  RemoveFile(tmp);
  if (error) *error = "too many copies made in the same second in " + folder;
  return {};
}

}  // namespace q7310
