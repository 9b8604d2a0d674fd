// Well-formed Motorola S-record lines for tests and fuzz seeds.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace q7310::testing {

// Address field width in bytes of each record type.
inline int SRecordAddressBytes(char type) {
  switch (type) {
    case '2':
    case '8':
      return 3;
    case '3':
    case '7':
      return 4;
    default:
      return 2;
  }
}

// One record line of `type` (without line end): count, address, data and a correct checksum.
inline std::string SRecordLine(char type, uint32_t address, std::span<const uint8_t> data = {}) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  const int width = SRecordAddressBytes(type);
  std::vector<uint8_t> body;
  body.push_back(static_cast<uint8_t>(width + data.size() + 1));
  for (int i = width - 1; i >= 0; --i) body.push_back(static_cast<uint8_t>(address >> (8 * i)));
  body.insert(body.end(), data.begin(), data.end());
  unsigned sum = 0;
  for (uint8_t b : body) sum += b;
  body.push_back(static_cast<uint8_t>(~sum));
  std::string line = {'S', type};
  for (uint8_t b : body) {
    line += kDigits[b >> 4];
    line += kDigits[b & 0xF];
  }
  return line;
}

}  // namespace q7310::testing
