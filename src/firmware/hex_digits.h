// Table-driven decoding of the upper-case hex digits of S-record text. Only "0"-"9" and "A"-"F"
// are digits; lower-case "a"-"f" is told apart so that the load can name it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "firmware/load_fault.h"

namespace q7310::hex {

inline constexpr uint8_t kLowerCase = 0x40;  // table mark for "a"-"f"
inline constexpr uint8_t kNotHex = 0x80;     // table mark for every other non-digit

inline constexpr std::array<uint8_t, 256> kDigitValue = [] {
  std::array<uint8_t, 256> table{};
  table.fill(kNotHex);
  for (int c = '0'; c <= '9'; ++c) table[c] = static_cast<uint8_t>(c - '0');
  for (int c = 'A'; c <= 'F'; ++c) table[c] = static_cast<uint8_t>(c - 'A' + 10);
  for (int c = 'a'; c <= 'f'; ++c) table[c] = kLowerCase;
  return table;
}();

inline uint8_t DigitValue(char c) {
  return kDigitValue[static_cast<unsigned char>(c)];
}

// Decodes `digits` hex digits of `line` from character `at` into `out` (set to 0 first),
// high digit first. Fails on the first character that is not a digit or lies past the line.
inline LoadFault Decode(std::string_view line, size_t at, unsigned digits, uint32_t& out) {
  out = 0;
  for (unsigned i = 0; i < digits; ++i) {
    if (at + i >= line.size()) return LoadFault::kLineTooShort;
    const uint8_t value = DigitValue(line[at + i]);
    if (value == kLowerCase) return LoadFault::kLowerCaseHex;
    if (value == kNotHex) return LoadFault::kBadHexDigit;
    out = (out << 4) | value;
  }
  return LoadFault::kNone;
}

}  // namespace q7310::hex
