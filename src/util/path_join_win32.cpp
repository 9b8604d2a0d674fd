#include <algorithm>

#include "util/path_join.h"

namespace q7310 {

bool EndsWithSeparator(std::string_view folder) {
  return !folder.empty() && (folder.back() == '/' || folder.back() == '\\');
}

char SeparatorFor(std::string_view folder) {
  // Windows takes both; the folder's own keeps a path that the user typed readable.
  return folder.find('\\') != std::string_view::npos && folder.find('/') == std::string_view::npos
             ? '\\'
             : '/';
}

bool SameName(std::string_view a, std::string_view b) {
  // The program's names are ASCII; other letters are compared as they are.
  const auto lower = [](char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  };
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [&](char x, char y) { return lower(x) == lower(y); });
}

}  // namespace q7310
