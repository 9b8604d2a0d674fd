// The wire envelope of a frame, in both directions:
//   DLE STX, the frame bytes with every 0x10 sent twice, DLE ETX, checksum high, checksum low.
// The checksum is the sum modulo 65536 of the wire bytes between DLE STX and DLE ETX (a doubled
// 0x10 counts twice); the two checksum bytes are never doubled.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace q7310 {

inline constexpr uint8_t DLE = 0x10;
inline constexpr uint8_t STX = 0x02;
inline constexpr uint8_t ETX = 0x03;

// Receive status bits delivered with each frame. The low bits are line errors, with the values
// that the Windows communication driver gives its CE_ bits (CE_RXOVER, CE_OVERRUN, CE_RXPARITY,
// CE_FRAME, CE_BREAK; the trace prints them under those names); the high bits come from the
// assembler. Named apart from the driver's: <windows.h> defines its names as macros, which would
// replace these wherever it came first.
inline constexpr uint32_t kLineRxOver = 0x0001;
inline constexpr uint32_t kLineOverrun = 0x0002;
inline constexpr uint32_t kLineRxParity = 0x0004;
inline constexpr uint32_t kLineFrame = 0x0008;
inline constexpr uint32_t kLineBreak = 0x0010;
inline constexpr uint32_t RXERR_CHECKSUM = 0x10000000;
inline constexpr uint32_t RXERR_FRAMING = 0x40000000;

// Appends the wire form of `frame` to `out`.
void AppendEnvelope(std::span<const uint8_t> frame, std::vector<uint8_t>& out);

// The wire form of `frame`.
std::vector<uint8_t> Envelope(std::span<const uint8_t> frame);

// Number of bytes that the wire form of `frame` takes.
size_t EnvelopeSize(std::span<const uint8_t> frame);

}  // namespace q7310
