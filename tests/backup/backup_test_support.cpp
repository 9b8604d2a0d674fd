#include "backup_test_support.h"

#include "backup/field_maps.h"

namespace q7310::testing {

uint8_t Pattern(uint32_t i) {
  return static_cast<uint8_t>(1 + (i * 7 + (i >> 8) * 3) % 255);
}

Bytes PatternSection(uint32_t length, uint8_t format) {
  Bytes section(length);
  for (uint32_t i = 0; i < length; ++i) section[i] = Pattern(i);
  if (length > backup::kHeaderFormatOffset) section[backup::kHeaderFormatOffset] = format;
  return section;
}

}  // namespace q7310::testing
