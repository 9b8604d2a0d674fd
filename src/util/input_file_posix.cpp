// The POSIX side of input_file.h: open with O_NONBLOCK (a FIFO without a writer does not hold
// the open), then fstat on the open descriptor.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "util/input_file.h"
#include "util/stat_facts_posix.h"

namespace q7310 {

std::FILE* OpenRegularFile(const std::string& path, FileFacts& opened, std::string& reason) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    reason = std::strerror(errno);
    return nullptr;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    reason = std::strerror(errno);
    ::close(fd);
    return nullptr;
  }
  opened = FactsFromStat(st);
  if (opened.kind != FileKind::kRegular) {
    ::close(fd);
    return nullptr;
  }
  // A regular file never blocks; the flag goes so that reads behave as they always do.
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  std::FILE* file = ::fdopen(fd, "rb");
  if (file == nullptr) {
    reason = std::strerror(errno);
    ::close(fd);
  }
  return file;
}

}  // namespace q7310
