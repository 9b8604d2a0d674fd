#include "firmware/header_record.h"

#include "firmware/hex_digits.h"

namespace q7310 {
namespace {

// An S0 record: "S0", two count digits, four address digits, the data, two checksum digits.
constexpr size_t kCountChar = 2;
constexpr size_t kDataChar = 8;
// The count covers the two address bytes and the checksum byte besides the data.
constexpr uint32_t kCountBeyondData = 3;
constexpr char kHexDigits[] = "0123456789ABCDEF";

}  // namespace

std::string HeaderRecordText(std::string_view line) {
  if (line.size() < kDataChar || line[0] != 'S' || line[1] != '0') return {};
  uint32_t count = 0;
  if (hex::Decode(line, kCountChar, 2, count) != LoadFault::kNone) return {};
  const uint32_t dataBytes = count > kCountBeyondData ? count - kCountBeyondData : 0;
  std::string text;
  for (uint32_t i = 0; i < dataBytes; ++i) {
    uint32_t byte = 0;
    if (hex::Decode(line, kDataChar + 2 * i, 2, byte) != LoadFault::kNone) break;
    if (byte >= 0x20 && byte < 0x7F) {
      text += static_cast<char>(byte);
    } else {
      text += "\\x";
      text += kHexDigits[byte >> 4];
      text += kHexDigits[byte & 0xF];
    }
  }
  return text;
}

bool IsSimulatorSampleHeader(std::string_view headerText) {
  return headerText.find(kSimulatorSampleMark) != std::string_view::npos;
}

}  // namespace q7310
