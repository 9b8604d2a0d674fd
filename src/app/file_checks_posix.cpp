// The POSIX side of file_checks.h.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "app/app_paths.h"
#include "app/file_checks.h"
#include "app/texts.h"

namespace q7310 {
namespace {

std::string Explained(const std::string& path, std::string_view what) {
  return (path.empty() ? std::string(".") : path) + ": " + std::string(what);
}

std::string SystemReason(int err) {
  return std::string(" (") + std::strerror(err) + ")";
}

}  // namespace

std::string FolderProblem(const std::string& folder, bool forWriting) {
  const std::string at = folder.empty() ? std::string(".") : folder;
  struct stat st {};
  if (::stat(at.c_str(), &st) != 0) {
    if (errno == ENOENT) return Explained(folder, texts::kDetailNoSuchFolder);
    return Explained(folder, std::strerror(errno));
  }
  if (!S_ISDIR(st.st_mode)) return Explained(folder, texts::kDetailNotAFolder);
  if (!forWriting) return {};
  // A file without a name cannot be left behind by a kill.
  const int unnamed = ::open(at.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
  if (unnamed >= 0) {
    ::close(unnamed);
    return {};
  }
  // A read-only or forbidden folder is the answer; anything else (EOPNOTSUPP: a file system
  // without unnamed files) is asked again with a named file, as before.
  if (errno == EROFS || errno == EACCES || errno == EPERM) {
    return Explained(folder, std::string(texts::kDetailFolderNotWritable) + SystemReason(errno));
  }
  std::string scratch = JoinPath(folder.empty() ? std::string("./") : folder,
                                 std::string(kWriteCheckPrefix) + "XXXXXX");
  const int fd = ::mkstemp(scratch.data());
  if (fd < 0) {
    return Explained(folder, std::string(texts::kDetailFolderNotWritable) + SystemReason(errno));
  }
  ::close(fd);
  ::unlink(scratch.c_str());
  return {};
}

}  // namespace q7310
