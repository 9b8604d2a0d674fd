// The POSIX side of file_identity.h: stat, which follows links and opens nothing.
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "util/file_identity.h"
#include "util/stat_facts_posix.h"

namespace q7310 {

FileFacts LookAt(const std::string& path) {
  struct stat st {};
  if (::stat(path.empty() ? "." : path.c_str(), &st) == 0) return FactsFromStat(st);
  FileFacts facts;
  // A name that leads nowhere (no such file, or a part of it that is not a folder) is missing.
  if (errno != ENOENT && errno != ENOTDIR) {
    facts.kind = FileKind::kUnknown;
    facts.reason = std::strerror(errno);
  }
  return facts;
}

bool SameDevice(const std::string& a, const std::string& b) {
  const FileFacts first = LookAt(a);
  const FileFacts second = LookAt(b);
  if (SameFile(first, second)) return true;
  return first.kind == FileKind::kDevice && second.kind == FileKind::kDevice &&
         first.deviceNumber == second.deviceNumber;
}

}  // namespace q7310
