// std::filesystem paths from and to the program's UTF-8 strings. A plain std::string converts
// through the ANSI code page on Windows, which cannot hold every file name; UTF-8 converts
// exactly on every OS (and unchanged on Linux).
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace q7310 {

inline std::filesystem::path Utf8Path(std::string_view utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

inline std::string Utf8String(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

}  // namespace q7310
