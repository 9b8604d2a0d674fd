// An opt-in, timestamped trace of the protocol: every frame sent and received (direction,
// command name, fields, hex bytes), every resend, give-up, dropped frame and line error.
//
// Threads: OnTransmit and the controller's events come on the controller's thread, OnReceived
// and OnLineError on the serial link's receive thread; every call is serialised by a lock.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <span>
#include <string>
#include <string_view>

#include "app/upgrade_host.h"
#include "serial/serial_port.h"

namespace q7310 {

class ProtocolTrace : public IWireObserver {
 public:
  ProtocolTrace() = default;
  ~ProtocolTrace() override;
  ProtocolTrace(const ProtocolTrace&) = delete;
  ProtocolTrace& operator=(const ProtocolTrace&) = delete;

  // Opens the trace file for appending (creating it when missing), so that an existing file is
  // never cut, and writes a line that marks the start of this run, e.g.
  // "# q7310 trace started 2026-12-07T10:48:17 by q7310 (pid 4242)". False with the system's
  // reason in `error`.
  bool Open(const std::string& path, std::string_view program, std::string* error);
  bool IsOpen() const { return m_file != nullptr; }

  // IWireObserver
  void OnTransmit(std::span<const uint8_t> frame, std::string_view error) override;
  void OnLineError(uint32_t bits) override;

  // A frame delivered by the receive thread, with its receive status word.
  void OnReceived(uint32_t status, std::span<const uint8_t> frame);
  // A controller event (resend, give-up, dropped or ignored frame).
  void OnEvent(ProtocolEvent event, std::string_view detail);

  // The names of the status bits set in `status`, e.g. "RXERR_CHECKSUM|CE_OVERRUN", or "ok".
  static std::string DescribeStatus(uint32_t status);

  // The parts of a trace line, for a front end that shows the same lines (q7310 --verbose):
  // the timestamp ("2026-12-07T10:48:17.412305"), then a kind ("TX", "RX", "LINE", "RESEND" …)
  // and its text ("CMD_READ_SLOT length=10 slot=1 | 30 00 0A 00 …").
  struct Line {
    std::string kind;
    std::string text;
  };
  static std::string Timestamp(std::chrono::system_clock::time_point when);
  static Line TransmitLine(std::span<const uint8_t> frame, std::string_view error);
  static Line ReceiveLine(uint32_t status, std::span<const uint8_t> frame);
  static Line LineErrorLine(uint32_t bits);
  static Line EventLine(ProtocolEvent event, std::string_view detail);

 private:
  void Write(const Line& line);

  std::mutex m_mutex;
  std::FILE* m_file = nullptr;
};

}  // namespace q7310
