#include "app/protocol_trace.h"

#include <cstring>
#include <ctime>

#include "protocol/command_table.h"
#include "serial/envelope.h"
#include "util/local_time.h"
#include "util/process_info.h"

namespace q7310 {
namespace {

struct StatusBit {
  uint32_t bit;
  const char* name;
};
constexpr StatusBit kStatusBits[] = {
    {kLineRxOver, "CE_RXOVER"},       {kLineOverrun, "CE_OVERRUN"},
    {kLineRxParity, "CE_RXPARITY"},   {kLineFrame, "CE_FRAME"},
    {kLineBreak, "CE_BREAK"},         {RXERR_CHECKSUM, "RXERR_CHECKSUM"},
    {RXERR_FRAMING, "RXERR_FRAMING"},
};

std::string Hex(std::span<const uint8_t> bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  text.reserve(bytes.size() * 3);
  for (uint8_t b : bytes) {
    if (!text.empty()) text += ' ';
    text += kDigits[b >> 4];
    text += kDigits[b & 0xF];
  }
  return text;
}

const char* EventName(ProtocolEvent event) {
  switch (event) {
    case ProtocolEvent::Resend:
      return "RESEND";
    case ProtocolEvent::GiveUp:
      return "GIVE-UP";
    case ProtocolEvent::DroppedFrame:
      return "DROPPED";
    case ProtocolEvent::IgnoredFrame:
      return "IGNORED";
  }
  return "EVENT";
}

}  // namespace

ProtocolTrace::~ProtocolTrace() {
  if (m_file) std::fclose(m_file);
}

bool ProtocolTrace::Open(const std::string& path, std::string_view program, std::string* error) {
  std::string reason;
  m_file = OpenFile(path, "a", &reason);
  if (!m_file) {
    if (error) *error = path + ": " + reason;
    return false;
  }
  const std::time_t now = std::time(nullptr);
  const std::tm tm = LocalTime(now);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%S", &tm);
  std::fprintf(m_file, "# q7310 trace started %s by %.*s (pid %ld)\n", stamp,
               static_cast<int>(program.size()), program.data(), CurrentProcessId());
  std::fflush(m_file);
  return true;
}

std::string ProtocolTrace::DescribeStatus(uint32_t status) {
  std::string text;
  for (const auto& s : kStatusBits) {
    if (!(status & s.bit)) continue;
    if (!text.empty()) text += '|';
    text += s.name;
  }
  return text.empty() ? "ok" : text;
}

std::string ProtocolTrace::Timestamp(std::chrono::system_clock::time_point when) {
  const std::time_t secs = std::chrono::system_clock::to_time_t(when);
  const auto micros =
      std::chrono::duration_cast<std::chrono::microseconds>(when.time_since_epoch()).count() %
      1000000;
  const std::tm tm = LocalTime(secs);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%S", &tm);
  char text[48];
  std::snprintf(text, sizeof text, "%s.%06lld", stamp, static_cast<long long>(micros));
  return text;
}

ProtocolTrace::Line ProtocolTrace::TransmitLine(std::span<const uint8_t> frame,
                                                std::string_view error) {
  const std::string failure = error.empty() ? "" : " (write failed: " + std::string(error) + ")";
  return {"TX", DescribeFrame(frame) + failure + " | " + Hex(frame)};
}

ProtocolTrace::Line ProtocolTrace::ReceiveLine(uint32_t status, std::span<const uint8_t> frame) {
  return {"RX", DescribeFrame(frame) + " rx=" + DescribeStatus(status) + " | " + Hex(frame)};
}

ProtocolTrace::Line ProtocolTrace::LineErrorLine(uint32_t bits) {
  return {"LINE", DescribeStatus(bits)};
}

ProtocolTrace::Line ProtocolTrace::EventLine(ProtocolEvent event, std::string_view detail) {
  return {EventName(event), std::string(detail)};
}

void ProtocolTrace::Write(const Line& line) {
  std::lock_guard lock(m_mutex);
  if (!m_file) return;
  const std::string stamp = Timestamp(std::chrono::system_clock::now());
  std::fprintf(m_file, "%s %s %s\n", stamp.c_str(), line.kind.c_str(), line.text.c_str());
  std::fflush(m_file);
}

void ProtocolTrace::OnTransmit(std::span<const uint8_t> frame, std::string_view error) {
  Write(TransmitLine(frame, error));
}

void ProtocolTrace::OnLineError(uint32_t bits) {
  Write(LineErrorLine(bits));
}

void ProtocolTrace::OnReceived(uint32_t status, std::span<const uint8_t> frame) {
  Write(ReceiveLine(status, frame));
}

void ProtocolTrace::OnEvent(ProtocolEvent event, std::string_view detail) {
  Write(EventLine(event, detail));
}

}  // namespace q7310
