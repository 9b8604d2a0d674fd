// The parts of atomic_file.h that are the same on every OS.
#include "util/atomic_file.h"

namespace q7310 {

bool IsTemporaryFileName(std::string_view name) {
  const auto at = name.rfind(kTemporaryInfix);
  // Six random characters follow the infix.
  return at != std::string_view::npos && at > 0 && name.size() == at + kTemporaryInfix.size() + 6;
}

}  // namespace q7310
