#include "app/setting_fields.h"

#include <limits>

namespace q7310 {

int32_t ReadUnsignedField(std::string_view text) {
  if (text.empty()) return 0;
  uint64_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return 0;
    value = value * 10 + static_cast<uint64_t>(c - '0');
    if (value > std::numeric_limits<uint32_t>::max()) return 0;
  }
  return static_cast<int32_t>(static_cast<uint32_t>(value));
}

}  // namespace q7310
