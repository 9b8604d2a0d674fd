// Byte strings for test data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace q7310::testing {

using Bytes = std::vector<uint8_t>;

// `count` bytes: first, first + 1, ... (wrapping at 256), so that a byte out of place shows.
inline Bytes Ramp(size_t count, uint8_t first = 0) {
  Bytes bytes(count);
  for (size_t i = 0; i < count; ++i) bytes[i] = static_cast<uint8_t>(first + i);
  return bytes;
}

}  // namespace q7310::testing
