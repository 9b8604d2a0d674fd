#include "app/numbered_format.h"

#include <vector>

namespace q7310 {

std::string FormatNumbered(std::string_view format, std::initializer_list<std::string_view> args) {
  const std::vector<std::string_view> values(args);
  std::string out;
  out.reserve(format.size());
  for (size_t i = 0; i < format.size(); ++i) {
    const char c = format[i];
    if (c == '%' && i + 1 < format.size() && format[i + 1] >= '1' && format[i + 1] <= '9') {
      const size_t index = static_cast<size_t>(format[i + 1] - '1');
      if (index < values.size()) {
        out += values[index];
        ++i;
        continue;
      }
    }
    out += c;
  }
  return out;
}

}  // namespace q7310
