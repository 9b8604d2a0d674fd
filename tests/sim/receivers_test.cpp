#include <gtest/gtest.h>

#include "protocol/protocol.h"
#include "sim/restore_receiver.h"
#include "sim/update_receiver.h"
#include "sim_test_frames.h"

namespace q7310::sim {
namespace {

using namespace testing;
using UR = UpdateReceiver::Result;
using RR = RestoreReceiver::Result;

// A 300-byte image goes as blocks 0 and 1 of 128 bytes and block 2 of 44.
TEST(UpdateReceiver, ChecksEachDataBlock) {
  struct Step {
    Bytes frame;
    UR expected;
  };
  struct Case {
    const char* name;
    std::vector<Step> steps;
    size_t receivedAfter;
  };
  const auto start = UpdateStartFrame(0x1000, 300, 0);
  Bytes wrongLengthField = UpdateDataFrame(0, Bytes(128, 1));
  wrongLengthField[2] = 0x87;
  const std::vector<Case> cases = {
      {"data before start", {{UpdateDataFrame(0, Bytes(128, 1)), UR::kBadFrame}}, 0},
      {"start frame too short", {{Bytes(start.begin(), start.end() - 1), UR::kBadFrame}}, 0},
      {"empty image", {{UpdateStartFrame(0, 0, 0), UR::kBadFrame}}, 0},
      {"first block not 0",
       {{start, UR::kAccepted}, {UpdateDataFrame(1, Bytes(128, 1)), UR::kBadFrame}},
       0},
      {"block skipped",
       {{start, UR::kAccepted},
        {UpdateDataFrame(0, Bytes(128, 1)), UR::kAccepted},
        {UpdateDataFrame(2, Bytes(44, 1)), UR::kBadFrame}},
       128},
      {"short block that is not the last",
       {{start, UR::kAccepted}, {UpdateDataFrame(0, Bytes(100, 1)), UR::kBadFrame}},
       0},
      {"last block too long",
       {{start, UR::kAccepted},
        {UpdateDataFrame(0, Bytes(128, 1)), UR::kAccepted},
        {UpdateDataFrame(1, Bytes(128, 1)), UR::kAccepted},
        {UpdateDataFrame(2, Bytes(45, 1)), UR::kBadFrame}},
       256},
      {"block after the image",
       {{UpdateStartFrame(0, 128, 0), UR::kAccepted},
        {UpdateDataFrame(0, Bytes(128, 1)), UR::kAccepted},
        {UpdateDataFrame(1, Bytes(1, 1)), UR::kBadFrame}},
       128},
      {"length field differs from size",
       {{start, UR::kAccepted}, {wrongLengthField, UR::kBadFrame}},
       0},
      {"more than 128 bytes",
       {{UpdateStartFrame(0, 1000, 0), UR::kAccepted},
        {UpdateDataFrame(0, Bytes(129, 1)), UR::kBadFrame}},
       0},
      {"no data bytes", {{start, UR::kAccepted}, {UpdateDataFrame(0, {}), UR::kBadFrame}}, 0},
      {"repeated block overwrites",
       {{start, UR::kAccepted},
        {UpdateDataFrame(0, Bytes(128, 1)), UR::kAccepted},
        {UpdateDataFrame(0, Bytes(128, 2)), UR::kAccepted},
        {UpdateDataFrame(1, Bytes(128, 1)), UR::kAccepted}},
       256},
      {"older block again",
       {{start, UR::kAccepted},
        {UpdateDataFrame(0, Bytes(128, 1)), UR::kAccepted},
        {UpdateDataFrame(1, Bytes(128, 1)), UR::kAccepted},
        {UpdateDataFrame(0, Bytes(128, 1)), UR::kBadFrame}},
       256},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    UpdateReceiver u;
    for (size_t i = 0; i < c.steps.size(); ++i) {
      const auto& f = c.steps[i].frame;
      const bool isStart = GetU16(f, kOffCommand) == CMD_UPDATE_START;
      EXPECT_EQ(isStart ? u.Start(f) : u.Data(f), c.steps[i].expected) << "step " << i;
    }
    EXPECT_EQ(u.Image().size(), c.receivedAfter);
  }
}

TEST(UpdateReceiver, RepeatedBlockReplacesItsBytesAndNewStartBeginsAgain) {
  UpdateReceiver u;
  ASSERT_EQ(u.Start(UpdateStartFrame(0, 130, 0)), UR::kAccepted);
  ASSERT_EQ(u.Data(UpdateDataFrame(0, Bytes(128, 1))), UR::kAccepted);
  ASSERT_EQ(u.Data(UpdateDataFrame(1, {9, 9})), UR::kAccepted);
  ASSERT_EQ(u.Data(UpdateDataFrame(1, {7, 8})), UR::kAccepted);
  EXPECT_TRUE(u.Complete());
  EXPECT_EQ(u.Image()[128], 7);
  EXPECT_EQ(u.ReceivedSum(), 128u + 7 + 8);
  ASSERT_EQ(u.Start(UpdateStartFrame(0, 5, 0)), UR::kAccepted);
  EXPECT_TRUE(u.Image().empty());
  EXPECT_FALSE(u.Complete());
}

TEST(RestoreReceiver, ChecksBlockOrder) {
  struct Step {
    Bytes frame;
    RR expected;
  };
  struct Case {
    const char* name;
    std::vector<Step> steps;
    Bytes records;
  };
  const std::vector<Case> cases = {
      {"first block not 0", {{WriteSlotFrame(true, 1, 0, {1}), RR::kBadFrame}}, {}},
      {"block skipped",
       {{WriteSlotFrame(false, 0, 2, {1}), RR::kAccepted},
        {WriteSlotFrame(true, 2, 2, {3}), RR::kBadFrame}},
       {}},
      {"slot changes mid-record",
       {{WriteSlotFrame(false, 0, 2, {1}), RR::kAccepted},
        {WriteSlotFrame(true, 1, 3, {2}), RR::kBadFrame}},
       {}},
      {"resent middle block replaces itself",
       {{WriteSlotFrame(false, 0, 2, {1}), RR::kAccepted},
        {WriteSlotFrame(false, 1, 2, {9}), RR::kAccepted},
        {WriteSlotFrame(false, 1, 2, {2}), RR::kAccepted},
        {WriteSlotFrame(true, 2, 2, {3}), RR::kRecordClosed}},
       {0, 2, 0, 3, 1, 2, 3}},
      {"resent closing block replaces itself",
       {{WriteSlotFrame(false, 0, 2, {1}), RR::kAccepted},
        {WriteSlotFrame(true, 1, 2, {9}), RR::kRecordClosed},
        {WriteSlotFrame(true, 1, 2, {2}), RR::kRecordClosed},
        {WriteSlotFrame(true, 0, 3, {}), RR::kRecordClosed}},
       {0, 2, 0, 2, 1, 2, 0, 3, 0, 0}},
      {"block 0 restarts an open record",
       {{WriteSlotFrame(false, 0, 2, {1}), RR::kAccepted},
        {WriteSlotFrame(false, 1, 2, {2}), RR::kAccepted},
        {WriteSlotFrame(true, 0, 2, {5}), RR::kRecordClosed}},
       {0, 2, 0, 1, 5}},
      {"length field differs from size",
       {{Bytes{0x31, 0x00, 0x0C, 0x00, 0x00, 0x01, 0x00, 0x00, 0x01, 0x00, 0xEE}, RR::kBadFrame}},
       {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RestoreReceiver r;
    for (size_t i = 0; i < c.steps.size(); ++i) {
      EXPECT_EQ(r.Block(c.steps[i].frame), c.steps[i].expected) << "step " << i;
    }
    EXPECT_EQ(r.Records(), c.records);
  }
}

TEST(RestoreReceiver, RefusesRecordsPastTheLengthField) {
  RestoreReceiver r;
  uint16_t block = 0;
  RR last = RR::kAccepted;
  // 1024 blocks of 64 bytes = 65,536 bytes: the last one does not fit a 16-bit length.
  for (; block < 1024 && last == RR::kAccepted; ++block) {
    last = r.Block(WriteSlotFrame(false, block, 1, Bytes(64, 0)));
  }
  EXPECT_EQ(last, RR::kBadFrame);
  EXPECT_EQ(block, 1024);
  EXPECT_EQ(r.Block(WriteSlotFrame(true, 1023, 1, Bytes(63, 0))), RR::kRecordClosed);
  EXPECT_EQ(r.Records().size(), 4u + 0xFFFF);
}

}  // namespace
}  // namespace q7310::sim
