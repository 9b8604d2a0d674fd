// The parts of file_identity.h that are the same on every OS.
#include "util/file_identity.h"

namespace q7310 {

bool SameFile(const FileFacts& a, const FileFacts& b) {
  return a.Exists() && b.Exists() && a.identity == b.identity;
}

}  // namespace q7310
