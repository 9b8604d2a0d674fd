#include "serial/frame_assembler.h"

#include "serial/envelope.h"

namespace q7310 {

void FrameAssembler::Reset() {
  m_rxState = RX_HUNT;
  m_rxLen = 0;
  m_rxSum = 0;
  m_rxCheck = 0;
  m_dwStatus = 0;
}

ReceivedFrame FrameAssembler::PostFrame() {
  ReceivedFrame frame{m_dwStatus, std::vector<uint8_t>(m_rxBuf.begin(), m_rxBuf.begin() + m_rxLen)};
  m_dwStatus = 0;
  return frame;
}

std::optional<ReceivedFrame> FrameAssembler::Append(uint8_t byte, uint16_t sumAdd) {
  if (m_rxLen == kBufferSize) {
    // Longer than any frame of the protocol: end it as a framing error and hunt for the next
    // start, rather than write past the buffer. The byte that did not fit is dropped.
    m_rxState = RX_HUNT;
    m_dwStatus |= RXERR_FRAMING;
    return PostFrame();
  }
  m_rxBuf[m_rxLen++] = byte;
  m_rxSum = static_cast<uint16_t>(m_rxSum + sumAdd);
  m_rxState = RX_DATA;
  return std::nullopt;
}

std::optional<ReceivedFrame> FrameAssembler::ProcessByte(uint8_t byte) {
  switch (m_rxState) {
    case RX_HUNT:
      if (byte == DLE) m_rxState = RX_DLE;
      return std::nullopt;
    case RX_DLE:
      if (byte == STX) {
        m_rxLen = 0;
        m_rxSum = 0;
        m_rxState = RX_DATA;
      } else {
        m_rxState = RX_HUNT;
      }
      return std::nullopt;
    case RX_DATA:
      if (byte == DLE) {
        m_rxState = RX_DATA_DLE;
        return std::nullopt;
      }
      return Append(byte, byte);
    case RX_DATA_DLE:
      if (byte == ETX) {
        m_rxState = RX_CHECK_HIGH;
        return std::nullopt;
      }
      if (byte == DLE) return Append(DLE, 2 * DLE);  // both wire copies count
      m_rxState = RX_HUNT;
      m_dwStatus |= RXERR_FRAMING;
      return PostFrame();
    case RX_CHECK_HIGH:
      m_rxCheck = static_cast<uint16_t>(byte << 8);
      m_rxState = RX_CHECK_LOW;
      return std::nullopt;
    case RX_CHECK_LOW:
      m_rxCheck = static_cast<uint16_t>(m_rxCheck | byte);
      m_rxState = RX_HUNT;
      if (m_rxCheck != m_rxSum) m_dwStatus |= RXERR_CHECKSUM;
      return PostFrame();
  }
  m_rxState = RX_HUNT;
  return std::nullopt;
}

}  // namespace q7310
