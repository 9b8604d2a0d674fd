#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include "util/process_info.h"
#include "util/utf8_path.h"

namespace q7310 {

long CurrentProcessId() {
  return static_cast<long>(::getpid());
}

std::FILE* OpenFile(const std::string& path, const char* mode, std::string* error) {
  std::FILE* file = std::fopen(path.c_str(), (std::string(mode) + "e").c_str());
  if (file == nullptr && error) *error = std::strerror(errno);
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
