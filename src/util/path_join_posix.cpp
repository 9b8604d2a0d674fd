#include "util/path_join.h"

namespace q7310 {

bool EndsWithSeparator(std::string_view folder) {
  return !folder.empty() && folder.back() == '/';
}

char SeparatorFor(std::string_view) {
  return '/';
}

bool SameName(std::string_view a, std::string_view b) {
  return a == b;
}

}  // namespace q7310
