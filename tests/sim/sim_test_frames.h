// Request frames written out field by field, as the program sends them, for the simulator tests.
#pragma once

#include <cstdint>
#include <vector>

#include "serial/frame_assembler.h"
#include "support/bytes.h"

namespace q7310::testing {

inline uint8_t Lo(unsigned v) {
  return static_cast<uint8_t>(v & 0xFF);
}
inline uint8_t Hi(unsigned v) {
  return static_cast<uint8_t>((v >> 8) & 0xFF);
}

inline Bytes ReadSlotRequest(uint16_t slot) {
  return {0x30, 0x00, 0x0A, 0x00, 0x00, 0x00, 0x00, 0x00, Lo(slot), Hi(slot)};
}

inline Bytes WriteSlotRequest(bool last, uint16_t block, uint16_t slot, const Bytes& data) {
  Bytes f = {0x31,
             0x00,
             Lo(10 + data.size()),
             Hi(10 + data.size()),
             0x00,
             uint8_t(last ? 1 : 0),
             Lo(block),
             Hi(block),
             Lo(slot),
             Hi(slot)};
  f.insert(f.end(), data.begin(), data.end());
  return f;
}

inline Bytes UpdateStartRequest(uint32_t address, uint32_t size, uint32_t sum) {
  Bytes f = {0x10, 0x00, 0x14, 0x00, 0x00, 0x00, 0x00, 0x00};
  for (uint32_t v : {address, size, sum}) {
    for (int i = 0; i < 4; ++i) f.push_back(static_cast<uint8_t>(v >> (8 * i)));
  }
  return f;
}

inline Bytes UpdateDataRequest(uint16_t index, const Bytes& data) {
  Bytes f = {0x11, 0x00, Lo(8 + data.size()), Hi(8 + data.size()),
             0x00, 0x00, Lo(index),           Hi(index)};
  f.insert(f.end(), data.begin(), data.end());
  return f;
}

inline ReceivedFrame Clean(Bytes bytes) {
  return ReceivedFrame{0, std::move(bytes)};
}

}  // namespace q7310::testing
