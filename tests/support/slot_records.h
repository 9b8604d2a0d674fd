// Raw slot records built byte by byte: a slot number and a data length, both big-endian, then the
// data; records stand back to back, as a settings backup and the simulator's files hold them.
#pragma once

#include <cstdint>

#include "support/bytes.h"

namespace q7310::testing {

// Appends one slot record to `out`.
inline void AppendRecord(Bytes& out, uint16_t slot, const Bytes& data) {
  out.push_back(static_cast<uint8_t>(slot >> 8));
  out.push_back(static_cast<uint8_t>(slot));
  out.push_back(static_cast<uint8_t>(data.size() >> 8));
  out.push_back(static_cast<uint8_t>(data.size()));
  out.insert(out.end(), data.begin(), data.end());
}

}  // namespace q7310::testing
