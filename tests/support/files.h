// Whole files read and written in one call, for setting up and checking the files the code under
// test reads and writes.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "support/bytes.h"

namespace q7310::testing {

// The file's bytes; empty when it cannot be read.
Bytes ReadFile(const std::filesystem::path& path);
std::string ReadText(const std::filesystem::path& path);

// Writes the file anew with exactly these bytes.
void WriteFile(const std::filesystem::path& path, const Bytes& bytes);
void WriteText(const std::filesystem::path& path, std::string_view text);

// A device that every system has, for tests of paths that must not be devices.
#ifdef _WIN32
inline constexpr const char* kNullDevice = "NUL";
#else
inline constexpr const char* kNullDevice = "/dev/null";
#endif

}  // namespace q7310::testing
