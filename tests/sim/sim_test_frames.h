// Request frames as the program sends them, for the simulator tests.
#pragma once

#include <cstdint>
#include <vector>

#include "protocol/frames.h"
#include "serial/frame_assembler.h"

namespace q7310::sim::test {

using Bytes = std::vector<uint8_t>;

inline Bytes ReadSlotRequest(uint16_t slot) {
  return BuildReadSlot({slot});
}

inline Bytes WriteSlotRequest(bool last, uint16_t block, uint16_t slot, const Bytes& data) {
  return BuildWriteSlot({0, static_cast<uint8_t>(last ? 1 : 0), block, slot, data});
}

inline Bytes UpdateStartRequest(uint32_t address, uint32_t size, uint32_t sum) {
  return BuildUpdateStart({address, size, sum});
}

inline Bytes UpdateDataRequest(uint16_t index, const Bytes& data) {
  return BuildUpdateData({index, data});
}

inline ReceivedFrame Clean(Bytes bytes) {
  return ReceivedFrame{0, std::move(bytes)};
}

// Bytes 0, 1, 2 … of the given count (wrapping at 256) plus an offset.
inline Bytes Ramp(size_t n, uint8_t offset = 0) {
  Bytes b(n);
  for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(i + offset);
  return b;
}

}  // namespace q7310::sim::test
