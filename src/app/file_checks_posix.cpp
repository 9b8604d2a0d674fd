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
  std::string scratch = JoinPath(folder.empty() ? std::string("./") : folder, ".q7310-XXXXXX");
  const int fd = ::mkstemp(scratch.data());
  if (fd < 0) {
    return Explained(folder, std::string(texts::kDetailFolderNotWritable) + SystemReason(errno));
  }
  ::close(fd);
  ::unlink(scratch.c_str());
  return {};
}

std::string ReadProblem(const std::string& path, uint64_t maxSize) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    if (errno == ENOENT) return Explained(path, texts::kDetailNoSuchFile);
    return Explained(path, std::strerror(errno));
  }
  if (S_ISDIR(st.st_mode)) return Explained(path, texts::kDetailIsAFolder);
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return Explained(path, std::strerror(errno));
  ::close(fd);
  if (maxSize != 0 && S_ISREG(st.st_mode) && static_cast<uint64_t>(st.st_size) > maxSize) {
    return Explained(path, std::string(texts::kDetailLargerThanStore) + " (" +
                               std::to_string(st.st_size) + " bytes, at most " +
                               std::to_string(maxSize) + ")");
  }
  return {};
}

}  // namespace q7310
