// Request frames as the program sends them, for the simulator tests.
#pragma once

#include <cstdint>
#include <vector>

#include "protocol/frames.h"
#include "serial/frame_assembler.h"
#include "support/bytes.h"

namespace q7310::testing {

inline Bytes ReadSlotFrame(uint16_t slot) {
  return BuildReadSlot({slot});
}

inline Bytes WriteSlotFrame(bool last, uint16_t block, uint16_t slot, const Bytes& data) {
  return BuildWriteSlot({0, static_cast<uint8_t>(last ? 1 : 0), block, slot, data});
}

inline Bytes UpdateStartFrame(uint32_t address, uint32_t size, uint32_t sum) {
  return BuildUpdateStart({address, size, sum});
}

inline Bytes UpdateDataFrame(uint16_t index, const Bytes& data) {
  return BuildUpdateData({index, data});
}

inline ReceivedFrame Clean(Bytes bytes) {
  return ReceivedFrame{0, std::move(bytes)};
}

}  // namespace q7310::testing
