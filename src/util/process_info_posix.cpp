#include <unistd.h>

#include <string>

#include "util/process_info.h"

namespace q7310 {

long CurrentProcessId() {
  return static_cast<long>(::getpid());
}

std::FILE* OpenFile(const std::string& path, const char* mode) {
  return std::fopen(path.c_str(), (std::string(mode) + "e").c_str());
}

bool IsTerminal(std::FILE* stream) {
  return ::isatty(::fileno(stream)) == 1;
}

}  // namespace q7310
