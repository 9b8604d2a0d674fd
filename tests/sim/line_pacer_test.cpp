#include "sim/line_pacer.h"

#include <gtest/gtest.h>

namespace q7310::sim {
namespace {

using std::chrono::microseconds;

TEST(LinePacer, ByteTimeIsTenBitsAt57600) {
  EXPECT_EQ(kByteTime.count(), 173611);  // 10 / 57600 s in nanoseconds
}

TEST(LinePacer, ReceivedBytesArriveNoFasterThanTheLine) {
  const SimClock::time_point t0{};
  ReceivePacer p(true);
  EXPECT_EQ(p.Arrive(t0), t0);
  // A burst read at once is spread at one byte time each.
  EXPECT_EQ(p.Arrive(t0), t0 + kByteTime);
  EXPECT_EQ(p.Arrive(t0), t0 + 2 * kByteTime);
  // A byte that really came later keeps its own time.
  EXPECT_EQ(p.Arrive(t0 + microseconds(5000)), t0 + microseconds(5000));
  ReceivePacer off(false);
  EXPECT_EQ(off.Arrive(t0), t0);
  EXPECT_EQ(off.Arrive(t0), t0);
}

TEST(LinePacer, TransmitDeadlinesAreAbsoluteAndWaitForTheLine) {
  const SimClock::time_point t0{};
  TransmitPacer p(true);
  p.Begin(t0);
  EXPECT_EQ(p.NextDeadline(), t0 + kByteTime);
  EXPECT_EQ(p.NextDeadline(), t0 + 2 * kByteTime);
  // A burst that may start earlier than the line is free waits for it.
  p.Begin(t0 + kByteTime);
  EXPECT_EQ(p.NextDeadline(), t0 + 3 * kByteTime);
  // One that starts later begins at its own time.
  p.Begin(t0 + microseconds(10000));
  EXPECT_EQ(p.NextDeadline(), t0 + microseconds(10000) + kByteTime);
}

}  // namespace
}  // namespace q7310::sim
