#include "sim/amplifier.h"

#include <gtest/gtest.h>

#include <numeric>

#include "serial/envelope.h"
#include "sim_test_frames.h"

namespace q7310::sim {
namespace {

using namespace testing;

Amplifier MakeAmplifier(std::vector<SlotRecord> slots, size_t blockSize = 128,
                        FaultOptions faults = {}) {
  AmplifierConfig config;
  config.slots = std::move(slots);
  config.blockSize = blockSize;
  return Amplifier(std::move(config), FaultPlan(std::move(faults)));
}

std::vector<Bytes> Frames(const Response& r) {
  std::vector<Bytes> out;
  for (const auto& o : r.frames) out.push_back(o.frame);
  return out;
}

TEST(Amplifier, RepliesByteForByte) {
  auto amp = MakeAmplifier({{3, {0x01, 0x02, 0x10, 0x04, 0x05}}});
  struct Case {
    const char* name;
    Bytes request;
    std::vector<Bytes> replies;
  };
  const std::vector<Case> cases = {
      {"read slot, one block",
       ReadSlotFrame(3),
       {{0x40, 0x00, 0x0F, 0x00, 0x00, 0x01, 0x00, 0x00, 0x03, 0x00, 0x01, 0x02, 0x10, 0x04,
         0x05}}},
      {"read unknown slot fails",
       ReadSlotFrame(7),
       {{0x40, 0x00, 0x0A, 0x00, 0x01, 0x01, 0x00, 0x00, 0x07, 0x00}}},
      {"write slot", WriteSlotFrame(true, 0, 5, {0xAA}), {{0x41, 0x00, 0x06, 0x00, 0x00, 0x00}}},
      {"update start", UpdateStartFrame(0x8000, 3, 6), {{0x20, 0x00, 0x06, 0x00, 0x01, 0x00}}},
      {"update data", UpdateDataFrame(0, {1, 2, 3}), {{0x20, 0x00, 0x06, 0x00, 0x01, 0x00}}},
      {"unknown command", {0x55, 0x00, 0x04, 0x00}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Frames(amp.HandleFrame(Clean(c.request))), c.replies);
  }
}

TEST(Amplifier, DeviceMessageByteForByte) {
  EXPECT_EQ(BuildDeviceMessage({1, TextBytes("Hi")}),
            (Bytes{0x25, 0x00, 0x0A, 0x00, 0x01, 0x00, 0x00, 0x00, 'H', 'i'}));
  // Longer texts are cut to what one frame carries.
  AmplifierConfig config;
  config.messageEvery = 1;
  config.messageText = std::string(200, 'x');
  Amplifier amp(config, FaultPlan());
  amp.HandleFrame(Clean(UpdateStartFrame(0, 128, 0)));
  const auto frames = Frames(amp.HandleFrame(Clean(UpdateDataFrame(0, Bytes(128, 0)))));
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_EQ(frames[0], BuildDeviceMessage({1, TextBytes(std::string(128, 'x'))}));
}

TEST(Amplifier, SplitsSlotIntoBlocks) {
  struct Case {
    size_t slotSize;
    size_t blockSize;
    std::vector<size_t> blocks;
  };
  const std::vector<Case> cases = {
      {300, 128, {128, 128, 44}}, {256, 128, {128, 128}},  {0, 128, {0}}, {1, 128, {1}},
      {100, 64, {64, 36}},        {5, 1, {1, 1, 1, 1, 1}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.slotSize << " bytes in blocks of " << c.blockSize);
    const Bytes data = Ramp(c.slotSize, 7);
    auto amp = MakeAmplifier({{0, {}}, {2, data}}, c.blockSize);
    const auto frames = Frames(amp.HandleFrame(Clean(ReadSlotFrame(2))));
    ASSERT_EQ(frames.size(), c.blocks.size());
    Bytes joined;
    for (size_t i = 0; i < frames.size(); ++i) {
      const Bytes& f = frames[i];
      EXPECT_EQ(f.size(), 10 + c.blocks[i]);
      EXPECT_EQ(GetU16(f, kOffLength), f.size());
      EXPECT_EQ(f[kOffStatusByte], 0);
      EXPECT_EQ(f[kOffEndOfSlot], i + 1 == frames.size() ? 1 : 0) << "block " << i;
      EXPECT_EQ(GetU16(f, kOffBlockNumber), i);
      EXPECT_EQ(GetU16(f, kOffSlotNumber), 2);
      joined.insert(joined.end(), f.begin() + 10, f.end());
    }
    EXPECT_EQ(joined, data);
  }
  EXPECT_EQ(MakeAmplifier({}).Counters().badFrames, 0u);
}

TEST(Amplifier, WireErrorsAreNotRequests) {
  auto amp = MakeAmplifier({{0, {1}}});
  const auto r = amp.HandleFrame(ReceivedFrame{RXERR_CHECKSUM, ReadSlotFrame(0)});
  EXPECT_FALSE(r.isRequest);
  EXPECT_TRUE(r.frames.empty());
  EXPECT_EQ(amp.Counters().requests, 0u);
  EXPECT_EQ(amp.Counters().wireErrors, 1u);
  EXPECT_FALSE(amp.Consistent());
}

TEST(Amplifier, MalformedReadSlotIsABadFrame) {
  auto amp = MakeAmplifier({{0, {1}}});
  Bytes longer = ReadSlotFrame(0);
  longer.push_back(0);
  longer[2] = 11;
  const auto frames = Frames(amp.HandleFrame(Clean(longer)));
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0][kOffStatusByte], 1);
  EXPECT_EQ(amp.Counters().badFrames, 1u);
}

TEST(Amplifier, UpdateSumDecidesConsistency) {
  const Bytes image = Ramp(300, 1);
  const uint32_t sum = std::accumulate(image.begin(), image.end(), uint32_t{0});
  for (const uint32_t announced : {sum, sum + 1}) {
    SCOPED_TRACE(announced == sum ? "sum matches" : "sum differs");
    auto amp = MakeAmplifier({});
    amp.HandleFrame(Clean(UpdateStartFrame(0x8000, 300, announced)));
    EXPECT_FALSE(amp.Consistent());  // started, not complete
    Response last;
    for (uint16_t k = 0; k * 128 < 300; ++k) {
      const size_t n = std::min<size_t>(128, 300 - k * 128);
      last = amp.HandleFrame(
          Clean(UpdateDataFrame(k, Bytes(image.begin() + k * 128, image.begin() + k * 128 + n))));
      EXPECT_EQ(last.frames.back().frame[kOffWord4], 1);
    }
    EXPECT_TRUE(last.imageCompleted);
    EXPECT_EQ(amp.Update().Image(), image);
    EXPECT_EQ(amp.Consistent(), announced == sum);
  }
}

TEST(Amplifier, DeviceMessagesEveryNthBlock) {
  AmplifierConfig config;
  config.messageEvery = 2;
  config.messageText = "Busy";
  Amplifier amp(config, FaultPlan());
  amp.HandleFrame(Clean(UpdateStartFrame(0, 128 * 4, 0)));
  std::vector<size_t> frameCounts;
  for (uint16_t k = 0; k < 4; ++k) {
    const auto frames = Frames(amp.HandleFrame(Clean(UpdateDataFrame(k, Bytes(128, 0)))));
    frameCounts.push_back(frames.size());
    if (frames.size() == 2) {
      EXPECT_EQ(frames[0], BuildDeviceMessage({1, TextBytes("Busy")}));
      EXPECT_EQ(frames[1], BuildUpdateReply({1}));  // the reply comes after the message
    }
  }
  EXPECT_EQ(frameCounts, (std::vector<size_t>{1, 2, 1, 2}));
  EXPECT_EQ(amp.Counters().deviceMessages, 2u);
}

TEST(Amplifier, RestoreRecordsMatchWhatWasWritten) {
  auto amp = MakeAmplifier({});
  const Bytes slot4 = Ramp(130, 3);
  amp.HandleFrame(Clean(WriteSlotFrame(false, 0, 4, Bytes(slot4.begin(), slot4.begin() + 64))));
  amp.HandleFrame(
      Clean(WriteSlotFrame(false, 1, 4, Bytes(slot4.begin() + 64, slot4.begin() + 128))));
  const auto r =
      amp.HandleFrame(Clean(WriteSlotFrame(true, 2, 4, Bytes(slot4.begin() + 128, slot4.end()))));
  EXPECT_TRUE(r.restoreChanged);
  const auto r0 = amp.HandleFrame(Clean(WriteSlotFrame(true, 0, 6, {})));
  EXPECT_TRUE(r0.restoreChanged);

  Bytes expected = {0x00, 0x04, 0x00, 130};
  expected.insert(expected.end(), slot4.begin(), slot4.end());
  expected.insert(expected.end(), {0x00, 0x06, 0x00, 0x00});
  EXPECT_EQ(amp.Restore().Records(), expected);
  EXPECT_EQ(amp.Restore().RecordsClosed(), 2u);
  EXPECT_TRUE(amp.Consistent());
}

TEST(Amplifier, ReadsBackWhatARestoreWroteWithAnOptionalStoreFault) {
  const Bytes served = {1, 2, 3};
  const Bytes restored = {9, 8, 7, 6};
  for (const std::optional<StoreFault> fault :
       {std::optional<StoreFault>{}, std::optional<StoreFault>{StoreFault{2, 1}},
        std::optional<StoreFault>{StoreFault{2, 4}}, std::optional<StoreFault>{StoreFault{5, 0}}}) {
    AmplifierConfig config;
    config.slots = {{2, served}, {3, served}};
    config.storeFault = fault;
    Amplifier amp(std::move(config), FaultPlan());
    amp.HandleFrame(Clean(WriteSlotFrame(true, 0, 2, restored)));

    Bytes expected = restored;
    if (fault && fault->slot == 2) {
      if (fault->offset < expected.size()) {
        expected[fault->offset] ^= 0xFF;
      } else {
        expected.push_back(0);
      }
    }
    const auto slot2 = amp.HandleFrame(Clean(ReadSlotFrame(2)));
    ASSERT_EQ(slot2.frames.size(), 1u);
    EXPECT_EQ(Frames(slot2)[0], BuildReadSlotReply({0, 1, 0, 2, expected}));
    // A slot the restore did not write still answers with what was served from the start, and
    // what the restore received is unchanged by the fault.
    EXPECT_EQ(Frames(amp.HandleFrame(Clean(ReadSlotFrame(3))))[0],
              BuildReadSlotReply({0, 1, 0, 3, served}));
    EXPECT_EQ(amp.Restore().Records(), (Bytes{0x00, 0x02, 0x00, 0x04, 9, 8, 7, 6}));
  }
}

}  // namespace
}  // namespace q7310::sim
