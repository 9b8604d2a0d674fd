// Helpers shared by the backup tests: settings sections whose every byte can be told apart.
#pragma once

#include <cstdint>

#include "support/bytes.h"
#include "support/slot_records.h"

namespace q7310::testing {

// A section of `length` bytes whose byte i is Pattern(i): never 0, and different for offsets
// that lie 1, 2, ... 255 apart, so that a field taken from a wrong offset shows.
uint8_t Pattern(uint32_t i);
Bytes PatternSection(uint32_t length, uint8_t format);

}  // namespace q7310::testing
