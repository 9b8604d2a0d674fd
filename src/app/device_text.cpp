#include "app/device_text.h"

#include <array>

namespace q7310 {
namespace {

constexpr char32_t kUndefined = 0xFFFD;

// Windows-1252 0x80..0x9F; 0xA0..0xFF are the same as Unicode's Latin-1 range.
constexpr std::array<char32_t, 32> kHighControls = {
    0x20AC,     kUndefined, 0x201A, 0x0192, 0x201E, 0x2026,     0x2020, 0x2021,
    0x02C6,     0x2030,     0x0160, 0x2039, 0x0152, kUndefined, 0x017D, kUndefined,
    kUndefined, 0x2018,     0x2019, 0x201C, 0x201D, 0x2022,     0x2013, 0x2014,
    0x02DC,     0x2122,     0x0161, 0x203A, 0x0153, kUndefined, 0x017E, 0x0178,
};

void AppendUtf8(char32_t c, std::string& out) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

}  // namespace

std::string DecodeDeviceText(std::span<const uint8_t> bytes) {
  std::string text;
  text.reserve(bytes.size());
  for (const uint8_t b : bytes) {
    if (b == 0) break;
    if (b >= 0x80 && b < 0xA0) {
      AppendUtf8(kHighControls[b - 0x80], text);
    } else {
      AppendUtf8(b, text);
    }
  }
  return text;
}

}  // namespace q7310
