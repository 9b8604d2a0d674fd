// The frame builders and parsers: every frame round-trips, and the parsers refuse records that
// do not hold what their fields and length field claim.
#include "protocol/frames.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "protocol/command_table.h"
#include "protocol/protocol.h"

namespace q7310 {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Ramp(size_t n) {
  Bytes b(n);
  for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(i * 7 + 1);
  return b;
}

Bytes ToBytes(std::span<const uint8_t> s) {
  return {s.begin(), s.end()};
}

void ExpectSameBlock(const SlotBlock& a, const SlotBlock& b) {
  EXPECT_EQ(a.status, b.status);
  EXPECT_EQ(a.endOfSlot, b.endOfSlot);
  EXPECT_EQ(a.block, b.block);
  EXPECT_EQ(a.slot, b.slot);
  EXPECT_EQ(ToBytes(a.data), ToBytes(b.data));
}

TEST(Frames, EveryFrameRoundTrips) {
  for (size_t n : {size_t{0}, size_t{1}, size_t{64}, size_t{128}}) {
    SCOPED_TRACE("data bytes " + std::to_string(n));
    const Bytes data = Ramp(n);

    const SlotBlock write{0, 1, 0x0203, 0x0405, data};
    const Bytes w = BuildWriteSlot(write);
    ASSERT_TRUE(ParseWriteSlot(w));
    ExpectSameBlock(*ParseWriteSlot(w), write);

    const SlotBlock read{3, 0, 0xFFFF, 8, data};
    const Bytes r = BuildReadSlotReply(read);
    ASSERT_TRUE(ParseReadSlotReply(r));
    ExpectSameBlock(*ParseReadSlotReply(r), read);

    const Bytes d = BuildUpdateData({0xBEEF, data});
    ASSERT_TRUE(ParseUpdateData(d));
    EXPECT_EQ(ParseUpdateData(d)->index, 0xBEEF);
    EXPECT_EQ(ToBytes(ParseUpdateData(d)->data), data);

    const Bytes m = BuildDeviceMessage({0x0101, data});
    ASSERT_TRUE(ParseDeviceMessage(m));
    EXPECT_EQ(ParseDeviceMessage(m)->status, 0x0101);
    EXPECT_EQ(ToBytes(ParseDeviceMessage(m)->text), data);

    for (const Bytes& f : {w, r, d, m}) EXPECT_TRUE(LengthMatchesRecord(f));
  }
  EXPECT_EQ(ParseReadSlot(BuildReadSlot({0x1234}))->slot, 0x1234);
  const auto start = ParseUpdateStart(BuildUpdateStart({0xFFFFFFF0, 0x800000, 0x12345678}));
  ASSERT_TRUE(start);
  EXPECT_EQ(start->startAddress, 0xFFFFFFF0u);
  EXPECT_EQ(start->imageSize, 0x800000u);
  EXPECT_EQ(start->imageSum, 0x12345678u);
  EXPECT_EQ(ParseUpdateReply(BuildUpdateReply({0xA55A}))->status, 0xA55A);
  EXPECT_EQ(ParseWriteSlotReply(BuildWriteSlotReply({0xFE}))->status, 0xFE);
}

TEST(Frames, BuildersSetCommandAndLength) {
  const Bytes data(10, 0);
  const std::vector<std::pair<uint16_t, Bytes>> built = {
      {CMD_READ_SLOT, BuildReadSlot({1})},
      {CMD_WRITE_SLOT, BuildWriteSlot({0, 0, 0, 1, data})},
      {CMD_UPDATE_START, BuildUpdateStart({1, 2, 3})},
      {CMD_UPDATE_DATA, BuildUpdateData({1, data})},
      {CMD_UPDATE_REPLY, BuildUpdateReply({1})},
      {CMD_DEVICE_MESSAGE, BuildDeviceMessage({1, data})},
      {CMD_READ_SLOT_REPLY, BuildReadSlotReply({0, 0, 0, 1, data})},
      {CMD_WRITE_SLOT_REPLY, BuildWriteSlotReply({1})},
  };
  for (const auto& [command, frame] : built) {
    SCOPED_TRACE(std::string(CommandName(command)));
    EXPECT_EQ(GetU16(frame, kOffCommand), command);
    EXPECT_TRUE(LengthMatchesRecord(frame));
    // Each frame holds at least the fields its row says a handler reads.
    EXPECT_GE(frame.size(), FindCommand(command)->fieldsSize);
  }
}

TEST(Frames, OverlongFramesAreBuiltAsGivenAndRefusedByTheParsers) {
  const Bytes longData = Ramp(129);
  const Bytes write = BuildWriteSlot({0, 1, 0, 0, longData});
  const Bytes read = BuildReadSlotReply({0, 1, 0, 0, longData});
  const Bytes update = BuildUpdateData({0, longData});
  for (const Bytes& f : {write, read, update}) EXPECT_TRUE(LengthMatchesRecord(f));
  EXPECT_EQ(write.size(), kSlotFrameHeaderSize + 129);
  EXPECT_FALSE(ParseWriteSlot(write));
  EXPECT_FALSE(ParseReadSlotReply(read));
  EXPECT_FALSE(ParseUpdateData(update));
  // A text may be longer than the 128 bytes the program shows.
  EXPECT_TRUE(ParseDeviceMessage(BuildDeviceMessage({0, longData})));
}

// Each parser with the smallest record it takes.
struct ParserCase {
  const char* name;
  Bytes smallest;
  std::function<bool(std::span<const uint8_t>)> parses;
};

std::vector<ParserCase> ParserCases() {
  return {
      {"read slot", BuildReadSlot({1}), [](auto r) { return ParseReadSlot(r).has_value(); }},
      {"write slot", BuildWriteSlot({0, 1, 0, 1, {}}),
       [](auto r) { return ParseWriteSlot(r).has_value(); }},
      {"update start", BuildUpdateStart({1, 2, 3}),
       [](auto r) { return ParseUpdateStart(r).has_value(); }},
      {"update data", BuildUpdateData({1, {}}),
       [](auto r) { return ParseUpdateData(r).has_value(); }},
      {"update reply", BuildUpdateReply({1}),
       [](auto r) { return ParseUpdateReply(r).has_value(); }},
      {"device message", BuildDeviceMessage({1, {}}),
       [](auto r) { return ParseDeviceMessage(r).has_value(); }},
      {"read slot reply", BuildReadSlotReply({0, 1, 0, 1, {}}),
       [](auto r) { return ParseReadSlotReply(r).has_value(); }},
      {"write slot reply", BuildWriteSlotReply({0}),
       [](auto r) { return ParseWriteSlotReply(r).has_value(); }},
  };
}

TEST(Frames, ParsersRefuseRecordsShorterThanTheirFields) {
  for (const ParserCase& c : ParserCases()) {
    SCOPED_TRACE(c.name);
    EXPECT_TRUE(c.parses(c.smallest));
    // The row's size and the parser's agree: what passes the short-frame check parses.
    EXPECT_EQ(c.smallest.size(), FindCommand(GetU16(c.smallest, kOffCommand))->fieldsSize);
    for (size_t n = 0; n < c.smallest.size(); ++n) {
      EXPECT_FALSE(c.parses(std::span(c.smallest).first(n))) << n << " bytes";
    }
  }
}

TEST(Frames, ParsersTakeDataUpToTheLengthField) {
  Bytes f = BuildReadSlotReply({0, 1, 0, 2, Ramp(20)});
  f.push_back(0xEE);  // past the length field: not part of the frame
  ASSERT_TRUE(ParseReadSlotReply(f));
  EXPECT_EQ(ParseReadSlotReply(f)->data.size(), 20u);
  EXPECT_EQ(ParseReadSlotReply(f)->data.data(), f.data() + kOffSlotData);
  EXPECT_FALSE(LengthMatchesRecord(f));

  // A length field beyond the record, or short of the fixed fields, is refused.
  for (uint16_t length : {uint16_t{9}, static_cast<uint16_t>(f.size() + 1)}) {
    Bytes bad = f;
    PutU16(bad.data(), kOffLength, length);
    EXPECT_FALSE(ParseReadSlotReply(bad)) << length;
    EXPECT_FALSE(ParseWriteSlot(bad)) << length;
  }
}

}  // namespace
}  // namespace q7310
