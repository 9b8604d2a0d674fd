#include "util/path_join.h"

namespace q7310 {

std::string JoinPath(std::string_view folder, std::string_view name) {
  std::string path(folder);
  if (!path.empty() && !EndsWithSeparator(path)) path += SeparatorFor(path);
  path += name;
  return path;
}

}  // namespace q7310
