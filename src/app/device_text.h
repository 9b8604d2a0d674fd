// The text of a device message (0x25). The amplifier writes it in its single-byte code page,
// Windows-1252; every output (the desktop's message line, the terminal, JSON) shows it as the
// UTF-8 that this function makes, so that one byte reads the same everywhere.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace q7310 {

// UTF-8 for the Windows-1252 bytes up to the first zero byte (or all of them). The five bytes
// the code page leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) become U+FFFD.
std::string DecodeDeviceText(std::span<const uint8_t> bytes);

}  // namespace q7310
