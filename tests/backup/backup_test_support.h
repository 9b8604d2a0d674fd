// Helpers shared by the backup tests: raw slot records built byte by byte.
#pragma once

#include <cstdint>

#include "support/bytes.h"

namespace q7310::testing {

// Appends one slot record: slot number and data length big-endian, then the data.
void AppendRecord(Bytes& out, uint16_t slot, const Bytes& data);

// A section of `length` bytes whose byte i is Pattern(i): never 0, and different for offsets
// that lie 1, 2, ... 255 apart, so that a field taken from a wrong offset shows.
uint8_t Pattern(uint32_t i);
Bytes PatternSection(uint32_t length, uint8_t format);

}  // namespace q7310::testing
