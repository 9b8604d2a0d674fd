// Cuts a received byte stream into frames: the receive half of the wire envelope.
//
// A pure state machine fed one byte at a time, so that it is tested without a port and shared by
// the serial link's receive thread and the simulated amplifier. Not thread-safe: one feeder.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace q7310 {

// One frame handed over by the assembler: the bytes between DLE STX and DLE ETX with doubled
// DLEs made single, and the status word collected since the previous delivery.
struct ReceivedFrame {
  uint32_t status = 0;
  std::vector<uint8_t> bytes;
};

class FrameAssembler {
 public:
  enum RxState : int {
    RX_HUNT = 0,        // DLE that may start a frame
    RX_DLE = 1,         // STX after that DLE
    RX_DATA = 2,        // frame bytes
    RX_DATA_DLE = 3,    // the byte after a DLE inside a frame
    RX_CHECK_LOW = 4,   // the checksum's low (second) byte
    RX_CHECK_HIGH = 5,  // the checksum's high (first) byte
  };

  static constexpr size_t kBufferSize = 320;

  // Back to hunting for a frame start, with an empty status word.
  void Reset();

  // ORs line-error bits into the status word that goes out with the next delivery.
  void AddStatus(uint32_t bits) { m_dwStatus |= bits; }

  // Feeds one byte. Returns a frame when this byte completes one: a clean frame (status without
  // RXERR_ bits), one with a checksum mismatch (RXERR_CHECKSUM), or one cut short by a DLE
  // followed by something other than ETX or DLE, or by running past the buffer (RXERR_FRAMING).
  // The status word is cleared after every delivery.
  std::optional<ReceivedFrame> ProcessByte(uint8_t byte);

  RxState State() const { return m_rxState; }

 private:
  // The delivery step, under the system's name: hands the assembled bytes out with the status
  // word and clears it. ProcessByte returns the frame; the receive thread posts it.
  ReceivedFrame PostFrame();
  std::optional<ReceivedFrame> Append(uint8_t byte, uint16_t sumAdd);

  std::array<uint8_t, kBufferSize> m_rxBuf{};
  uint16_t m_rxLen = 0;
  uint16_t m_rxSum = 0;
  uint16_t m_rxCheck = 0;
  RxState m_rxState = RX_HUNT;
  uint32_t m_dwStatus = 0;
};

}  // namespace q7310
