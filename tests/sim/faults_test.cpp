#include <gtest/gtest.h>

#include "serial/envelope.h"
#include "sim/amplifier.h"
#include "sim_test_frames.h"

namespace q7310::sim {
namespace {

using namespace testing;

constexpr uint16_t kSlot = 1;
const Bytes kSlotData = Ramp(200);  // two blocks

Amplifier WithFaults(FaultOptions faults) {
  AmplifierConfig config;
  config.slots = {{kSlot, kSlotData}};
  return Amplifier(std::move(config), FaultPlan(std::move(faults)));
}

// What a receiver makes of the response's wire bytes.
std::vector<ReceivedFrame> Decode(const Response& r) {
  FrameAssembler a;
  std::vector<ReceivedFrame> out;
  for (uint8_t b : ToWire(r)) {
    if (auto f = a.ProcessByte(b)) out.push_back(std::move(*f));
  }
  return out;
}

std::vector<Response> ReadSlotTimes(Amplifier& amp, int n) {
  std::vector<Response> out;
  for (int i = 0; i < n; ++i) out.push_back(amp.HandleFrame(Clean(ReadSlotFrame(kSlot))));
  return out;
}

TEST(Faults, DropReplyDropsOnlyTheListedRequests) {
  auto amp = WithFaults({.dropReplies = {2, 4}});
  const auto rs = ReadSlotTimes(amp, 5);
  for (size_t i = 0; i < rs.size(); ++i) {
    const bool dropped = i == 1 || i == 3;
    EXPECT_EQ(rs[i].frames.empty(), dropped) << "request " << i + 1;
  }
  EXPECT_EQ(amp.Counters().repliesDropped, 2u);
  EXPECT_EQ(amp.Counters().framesSent, 3u * 2);
}

TEST(Faults, DropRateIsSeededAndRoughlyTheFraction) {
  constexpr int kRequests = 400;
  auto pattern = [](uint64_t seed) {
    auto amp = WithFaults({.seed = seed, .dropRate = 0.25});
    std::vector<bool> dropped;
    for (const auto& r : ReadSlotTimes(amp, kRequests)) dropped.push_back(r.frames.empty());
    return dropped;
  };
  const auto a = pattern(7);
  EXPECT_EQ(a, pattern(7));
  EXPECT_NE(a, pattern(8));
  const auto count = std::count(a.begin(), a.end(), true);
  EXPECT_GT(count, kRequests * 0.15);
  EXPECT_LT(count, kRequests * 0.35);
}

TEST(Faults, CorruptChecksumDamagesTheLastFrameOnly) {
  auto amp = WithFaults({.corruptChecksums = {1}});
  const auto rs = ReadSlotTimes(amp, 2);
  const auto first = Decode(rs[0]);
  ASSERT_EQ(first.size(), 2u);
  EXPECT_EQ(first[0].status, 0u);
  EXPECT_EQ(first[1].status, RXERR_CHECKSUM);
  EXPECT_EQ(first[1].bytes, rs[0].frames[1].frame);  // the content itself is intact
  for (const auto& f : Decode(rs[1])) EXPECT_EQ(f.status, 0u);
}

TEST(Faults, NoiseComesBeforeTheReplyAndIsDroppedByTheReceiver) {
  auto amp = WithFaults({.seed = 3, .noiseBytes = 50});
  const auto r = amp.HandleFrame(Clean(ReadSlotFrame(kSlot)));
  ASSERT_EQ(r.noise.size(), 50u);
  EXPECT_EQ(std::count(r.noise.begin(), r.noise.end(), DLE), 0);
  const auto wire = ToWire(r);
  EXPECT_TRUE(std::equal(r.noise.begin(), r.noise.end(), wire.begin()));
  const auto frames = Decode(r);
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_EQ(frames[0].bytes, r.frames[0].frame);
  EXPECT_EQ(frames[0].status, 0u);
  EXPECT_EQ(
      WithFaults({.seed = 3, .noiseBytes = 50}).HandleFrame(Clean(ReadSlotFrame(kSlot))).noise,
      r.noise);
}

TEST(Faults, FailAtAnswersWithEachFamilysFailureStatus) {
  struct Case {
    const char* name;
    Bytes request;
    Bytes reply;
  };
  const std::vector<Case> cases = {
      {"read slot",
       ReadSlotFrame(kSlot),
       {0x40, 0x00, 0x0A, 0x00, 0x01, 0x01, 0x00, 0x00, 0x01, 0x00}},
      {"write slot", WriteSlotFrame(true, 0, 2, {1}), {0x41, 0x00, 0x06, 0x00, 0x01, 0x00}},
      {"update start", UpdateStartFrame(0, 10, 0), {0x20, 0x00, 0x06, 0x00, 0x00, 0x00}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto amp = WithFaults({.failAt = {1}});
    const auto r = amp.HandleFrame(Clean(c.request));
    ASSERT_EQ(r.frames.size(), 1u);
    EXPECT_EQ(r.frames[0].frame, c.reply);
    // A refused request leaves no trace, and is not held against the client.
    EXPECT_FALSE(amp.Update().Started());
    EXPECT_EQ(amp.Restore().RecordsClosed(), 0u);
    EXPECT_TRUE(amp.Consistent());
    EXPECT_EQ(amp.Counters().failuresInjected, 1u);
  }
}

TEST(Faults, DeviceMessageFailGoesWithTheFirstBlockOnly) {
  auto amp = WithFaults({.deviceMessageFail = true});
  amp.HandleFrame(Clean(UpdateStartFrame(0, 256, 0)));
  const auto r0 = amp.HandleFrame(Clean(UpdateDataFrame(0, Bytes(128, 0))));
  ASSERT_EQ(r0.frames.size(), 2u);
  EXPECT_EQ(GetU16(r0.frames[0].frame, kOffCommand), CMD_DEVICE_MESSAGE);
  EXPECT_EQ(GetU16(r0.frames[0].frame, kOffWord4), 0);
  const auto r1 = amp.HandleFrame(Clean(UpdateDataFrame(1, Bytes(128, 0))));
  ASSERT_EQ(r1.frames.size(), 1u);
  EXPECT_EQ(r1.frames[0].frame, BuildUpdateReply({1}));
  EXPECT_EQ(amp.Counters().deviceMessageFailures, 1u);
}

TEST(Faults, DelayLateReplyStopAndHangup) {
  auto amp = WithFaults(
      {.delayMs = 250, .lateReplies = {2}, .lateMs = 700, .stopAfter = 2, .hangupAfter = 3});
  const auto rs = ReadSlotTimes(amp, 3);
  EXPECT_EQ(rs[0].delayMs, 250u);
  EXPECT_EQ(rs[1].delayMs, 950u);
  EXPECT_FALSE(rs[1].frames.empty());
  EXPECT_FALSE(rs[1].hangup);
  EXPECT_TRUE(rs[2].frames.empty());  // past --stop-after: no answer
  EXPECT_TRUE(rs[2].hangup);
  EXPECT_EQ(amp.Counters().unanswered, 1u);
  EXPECT_EQ(amp.Counters().requests, 3u);
}

}  // namespace
}  // namespace q7310::sim
