// Wire time of the serial line at 57600 bps 8N1 (10 bits per byte, about 173.6 µs a byte).
//
// ReceivePacer gives each received byte the time at which it would have fully arrived: its
// actual arrival or one byte time after the previous byte, whichever is later. TransmitPacer
// gives each sent byte an absolute deadline, one byte time after the previous byte's, starting no
// earlier than the line is free; deadlines are absolute, so sleeping late for one byte does not
// delay the rest. Both are plain arithmetic on a monotonic clock; the loop does the sleeping.
// With pacing off both pass times through unchanged.
#pragma once

#include <chrono>

#include "protocol/protocol.h"

namespace q7310::sim {

using SimClock = std::chrono::steady_clock;  // CLOCK_MONOTONIC

inline constexpr std::chrono::nanoseconds kByteTime{
    std::chrono::nanoseconds(std::chrono::seconds(1)).count() * kBitsPerByte / kBaudRate};

class ReceivePacer {
 public:
  explicit ReceivePacer(bool pace) : m_pace(pace) {}
  SimClock::time_point Arrive(SimClock::time_point actual);

 private:
  bool m_pace;
  bool m_any = false;
  SimClock::time_point m_last{};
};

class TransmitPacer {
 public:
  explicit TransmitPacer(bool pace) : m_pace(pace) {}
  // Starts a burst of bytes that may go out from `earliest` on.
  void Begin(SimClock::time_point earliest);
  // The deadline of the burst's next byte: the moment its last bit is out.
  SimClock::time_point NextDeadline();
  bool Pacing() const { return m_pace; }

 private:
  bool m_pace;
  SimClock::time_point m_lineFree{};
  SimClock::time_point m_next{};
};

}  // namespace q7310::sim
