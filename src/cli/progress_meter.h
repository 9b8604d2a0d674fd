// The progress of one operation told as time. Started when the operation starts and fed with the
// share done and the data bytes moved, it gives the elapsed time, the rate and the time left, and
// in line mode (no bar can be redrawn) says when the next line is due: at most one per tenth.
//
// Times are passed in, so that tests need no clock. Used on the controller's thread only.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace q7310::cli {

class ProgressMeter {
 public:
  using Clock = std::chrono::steady_clock;

  // A new operation: no time, no bytes, no share done.
  void Start(Clock::time_point now);
  // Data bytes moved (sent in an update or a restore, read in a backup or a verify).
  void AddBytes(uint64_t bytes) { m_bytes += bytes; }
  // The share done, 0..100.
  void SetPercent(int percent);
  // For an operation whose share done counts something else than bytes (slots of very different
  // sizes): the data bytes it will move in all, from which the time left is then told; 0 when
  // they are not known, and no time left is told at all.
  void ExpectBytes(uint64_t bytes) {
    m_shareCountsBytes = false;
    m_expected = bytes;
  }

  int Percent() const { return m_percent; }
  uint64_t Bytes() const { return m_bytes; }
  double ElapsedSeconds(Clock::time_point now) const;

  // "1.8 s, 4,771 B/s, 1.5 s left": the elapsed time always; the rate once bytes have moved for
  // kMinSecondsForEstimates; the time left once that time has passed and a share between 1 and
  // 99 % is done (with the bytes expected: some but not all of them have moved; without: never).
  // Earlier figures swing too much to help.
  std::string Stats(Clock::time_point now) const;

  // Line mode: true the first time `percent` reaches each tenth (0 %, 10 %, … 90 %); the end of
  // the operation has a closing line of its own.
  bool LineDue(int percent);

  static constexpr double kMinSecondsForEstimates = 0.5;

 private:
  Clock::time_point m_start{};
  uint64_t m_bytes = 0;
  bool m_shareCountsBytes = true;
  uint64_t m_expected = 0;
  int m_percent = 0;
  int m_lastTenth = -1;
};

}  // namespace q7310::cli
