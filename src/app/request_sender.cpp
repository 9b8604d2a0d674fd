#include "app/request_sender.h"

#include <algorithm>

#include "serial/serial_port.h"

namespace q7310 {

RequestSender::RequestSender(CSerialPort& serial, KeptFrame& lastFrame, uint8_t& retryCount)
    : m_serial(serial), m_lastFrame(lastFrame), m_retryCount(retryCount) {}

void RequestSender::Send(std::span<const uint8_t> frame) {
  const size_t length = std::min(frame.size(), m_lastFrame.size());
  std::copy_n(frame.begin(), length, m_lastFrame.begin());
  m_resentCopies = 0;
  m_lateRepliesDue = 0;
  m_serial.TransmitFrame(m_lastFrame.data(), static_cast<unsigned>(length));
}

std::span<const uint8_t> RequestSender::LastFrame() const {
  const size_t length = std::min<size_t>(GetU16(m_lastFrame, kOffLength), m_lastFrame.size());
  return {m_lastFrame.data(), length};
}

uint16_t RequestSender::LastCommand() const {
  return GetU16(m_lastFrame, kOffCommand);
}

RequestSender::Expiry RequestSender::OnExpiry() {
  if (m_lateRepliesDue > 0) {
    // A reply period without them: the copies or their answers were lost on the line. Not a
    // resend, so the resend count is left alone.
    m_lateRepliesDue = 0;
    return Expiry::kLateRepliesMissed;
  }
  if (m_retryCount < kMaxResends) {
    ++m_retryCount;
    ++m_resentCopies;
    return Expiry::kResend;
  }
  m_retryCount = 0;
  return Expiry::kGiveUp;
}

void RequestSender::Resend() {
  const std::span<const uint8_t> last = LastFrame();
  m_serial.TransmitFrame(last.data(), static_cast<unsigned>(last.size()));
}

bool RequestSender::HoldForLateReplies() {
  m_lateRepliesDue = m_resentCopies;
  return m_lateRepliesDue > 0;
}

bool RequestSender::TakeLateReply() {
  return m_lateRepliesDue > 0 && --m_lateRepliesDue == 0;
}

}  // namespace q7310
