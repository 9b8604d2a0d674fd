// Helpers shared by the fuzz targets: a private scratch folder that lives as long as the process,
// and whole-file writes. Not thread-safe; libFuzzer runs one input at a time.
#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace q7310::fuzz {

// A folder under $TMPDIR (or /tmp) made once per process; removed at exit with what it holds.
inline const std::string& ScratchFolder() {
  static const std::string folder = [] {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/q7310-fuzz-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    static std::string removeCommand = "rm -rf '" + pattern + "'";
    std::atexit([] { [[maybe_unused]] const int r = std::system(removeCommand.c_str()); });
    return pattern;
  }();
  return folder;
}

inline std::string ScratchPath(const char* name) {
  return ScratchFolder() + "/" + name;
}

// Replaces the file at path with size bytes; aborts when it cannot (the fuzz run is broken).
inline void WriteFileOrDie(const std::string& path, const uint8_t* data, size_t size) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) std::abort();
  if (size && std::fwrite(data, 1, size, f) != size) std::abort();
  if (std::fclose(f) != 0) std::abort();
}

}  // namespace q7310::fuzz
