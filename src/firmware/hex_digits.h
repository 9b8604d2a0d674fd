// Table-driven decoding of the upper-case hex digits of S-record text. Only "0"-"9" and "A"-"F"
// are digits; lower-case "a"-"f" is told apart so that the load can name it.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
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

// Two hex digits at once: indexed by the first character plus the second times 256, it gives the
// byte they spell, or a value with kPairInvalid set when either is not an upper-case hex digit. One
// lookup per data byte instead of two tests and a shift.
inline constexpr uint16_t kPairInvalid = 0x100;

// Built once at start-up: a 64 Ki-entry table is past what compilers evaluate at compile time.
inline std::array<uint16_t, 65536> BuildPairTable() {
  std::array<uint16_t, 65536> table{};
  for (unsigned first = 0; first < 256; ++first) {
    for (unsigned second = 0; second < 256; ++second) {
      const uint8_t high = kDigitValue[first];
      const uint8_t low = kDigitValue[second];
      table[first | second << 8] =
          ((high | low) & 0xF0) ? kPairInvalid : static_cast<uint16_t>(high << 4 | low);
    }
  }
  return table;
}
inline const std::array<uint16_t, 65536> kPairValue = BuildPairTable();

// The kPairValue index of the two characters at `text`: one 16-bit load.
inline unsigned PairIndex(const char* text) {
  uint16_t chars;
  std::memcpy(&chars, text, sizeof chars);
  if constexpr (std::endian::native == std::endian::big) {
    chars = static_cast<uint16_t>(chars >> 8 | chars << 8);
  }
  return chars;
}

// Decodes `digits` hex digits of `line` from character `at` into `out` (set to 0 first),
// high digit first. Fails on the first character that is not a digit or lies past the line.
inline LoadFault Decode(std::string_view line, size_t at, unsigned digits, uint32_t& out) {
  out = 0;
  // Fast path: whole pairs inside the line, one lookup each.
  if (digits % 2 == 0 && at + digits <= line.size()) {
    unsigned invalid = 0;
    for (unsigned i = 0; i < digits; i += 2) {
      const unsigned value = kPairValue[PairIndex(line.data() + at + i)];
      invalid |= value;
      out = (out << 8) | (value & 0xFF);
    }
    if (!(invalid & kPairInvalid)) return LoadFault::kNone;
    out = 0;
  }
  // The reason for the first character that is not a digit.
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
