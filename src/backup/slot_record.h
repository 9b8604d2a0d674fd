// The slot record, unit of the settings backup store and of BACKUP.BIN: a 2-byte slot number
// and a 2-byte data length, both big-endian (high byte first), followed by that many data bytes.
// Records stand back to back with no header, padding or trailer.
#pragma once

#include <cstdint>

namespace q7310::slot_record {

inline constexpr uint32_t kHeaderSize = 4;  // slot number + data length
inline constexpr uint32_t kFieldSize = 2;   // each of the two numbers
inline constexpr uint32_t kSlotOffset = 0;
inline constexpr uint32_t kLengthOffset = 2;

inline uint16_t ReadBe16(const uint8_t* p) {
  return static_cast<uint16_t>((p[0] << 8) | p[1]);
}

inline void WriteBe16(uint8_t* p, uint16_t value) {
  p[0] = static_cast<uint8_t>(value >> 8);
  p[1] = static_cast<uint8_t>(value & 0xFF);
}

}  // namespace q7310::slot_record
