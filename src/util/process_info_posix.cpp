#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

#include "util/process_info.h"
#include "util/utf8_path.h"

namespace q7310 {

long CurrentProcessId() {
  return static_cast<long>(::getpid());
}

std::FILE* OpenFile(const std::string& path, const char* mode, std::string* error) {
  const std::string_view m(mode);
  if (m.empty() || (m[0] != 'w' && m[0] != 'a')) {
    std::FILE* file = std::fopen(path.c_str(), (std::string(mode) + "e").c_str());
    if (file == nullptr && error) *error = std::strerror(errno);
    return file;
  }
  // fopen would block in open() on a FIFO until some program opens it for reading, possibly
  // never; O_NONBLOCK makes that open fail with ENXIO instead. Writes then block as usual.
  const bool update = m.find('+') != std::string_view::npos;
  const int flags = O_CREAT | O_CLOEXEC | O_NONBLOCK | (update ? O_RDWR : O_WRONLY) |
                    (m[0] == 'a' ? O_APPEND : O_TRUNC);
  const int fd = ::open(path.c_str(), flags, 0666);
  if (fd < 0) {
    if (error) *error = errno == ENXIO ? "a FIFO that no program reads" : std::strerror(errno);
    return nullptr;
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  std::FILE* file = ::fdopen(fd, mode);
  if (file == nullptr) {
    if (error) *error = std::strerror(errno);
    ::close(fd);
  }
  return file;
}

std::string TemporaryFolder() {
  std::error_code ec;
  const std::filesystem::path folder = std::filesystem::temp_directory_path(ec);
  return ec ? std::string("/tmp") : Utf8String(folder);
}

bool IsTerminal(std::FILE* stream) {
  return ::isatty(::fileno(stream)) == 1;
}

}  // namespace q7310
