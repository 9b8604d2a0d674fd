// The command table: a row for every command, the short-frame check that the controller runs
// before dispatch, and the trace's text of each frame.
#include "protocol/command_table.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "protocol/frames.h"
#include "protocol/protocol.h"

namespace q7310 {
namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint16_t kAllCommands[] = {CMD_UPDATE_START,    CMD_UPDATE_DATA,     CMD_UPDATE_REPLY,
                                     CMD_DEVICE_MESSAGE,  CMD_READ_SLOT,       CMD_WRITE_SLOT,
                                     CMD_READ_SLOT_REPLY, CMD_WRITE_SLOT_REPLY};

// A record of `size` zero bytes whose command and length fields say `command` and `length`.
Bytes Record(uint16_t command, size_t size, size_t length) {
  Bytes f(std::max(size, kCommandFieldSize), 0);
  PutU16(f.data(), kOffCommand, command);
  PutU16(f.data(), kOffLength, static_cast<uint16_t>(length));
  f.resize(size);
  return f;
}

TEST(CommandTable, EveryCommandHasOneRowNamedAfterIt) {
  std::set<uint16_t> codes;
  for (const CommandRow& row : CommandTable()) {
    EXPECT_TRUE(codes.insert(row.code).second) << "two rows for " << row.name;
    EXPECT_EQ(row.name.substr(0, 4), "CMD_");
    EXPECT_NE(row.describeFields, nullptr) << row.name;
    EXPECT_GE(row.fieldsSize, kCommandFieldSize) << row.name;
  }
  EXPECT_EQ(codes, std::set<uint16_t>(std::begin(kAllCommands), std::end(kAllCommands)));
  EXPECT_EQ(CommandName(CMD_READ_SLOT), "CMD_READ_SLOT");
  EXPECT_EQ(CommandName(CMD_WRITE_SLOT_REPLY), "CMD_WRITE_SLOT_REPLY");
  EXPECT_EQ(CommandName(0x77), "CMD_UNKNOWN");
  EXPECT_EQ(FindCommand(0x77), nullptr);
}

TEST(CommandTable, ReplyOneByteShorterThanItsRowIsDropped) {
  for (const CommandRow& row : CommandTable()) {
    SCOPED_TRACE(std::string(row.name));
    const Bytes whole = Record(row.code, row.fieldsSize, row.fieldsSize);
    const Bytes cut = Record(row.code, row.fieldsSize - 1, row.fieldsSize);
    EXPECT_EQ(ShortFrameReason(whole), "");
    if (row.sender == Sender::kAmplifier) {
      EXPECT_FALSE(row.shortReason.empty());
      EXPECT_EQ(ShortFrameReason(cut), row.shortReason);
    } else {
      // The controller ignores requests whole; only their command and length are read.
      EXPECT_EQ(ShortFrameReason(cut), "");
    }
  }
}

TEST(CommandTable, RecordWithoutCommandAndLengthIsDropped) {
  EXPECT_EQ(ShortFrameReason(Bytes{}), "frame shorter than its header");
  EXPECT_EQ(ShortFrameReason(Bytes{0x40, 0x00, 0x0A}), "frame shorter than its header");
  EXPECT_EQ(ShortFrameReason(Record(0x77, 4, 4)), "");  // unknown: left to the dispatch
}

TEST(CommandTable, RepliesMustHoldWhatTheirLengthFieldCounts) {
  // The device message and the slot reply are read as far as their length field says.
  EXPECT_EQ(ShortFrameReason(Record(CMD_DEVICE_MESSAGE, 20, 21)),
            "device message shorter than its fields");
  EXPECT_EQ(ShortFrameReason(Record(CMD_DEVICE_MESSAGE, 20, 20)), "");
  EXPECT_EQ(ShortFrameReason(Record(CMD_DEVICE_MESSAGE, 20, 7)),
            "device message shorter than its fields");
  EXPECT_EQ(ShortFrameReason(Record(CMD_READ_SLOT_REPLY, 30, 60)),
            "slot reply shorter than its fields");
  EXPECT_EQ(ShortFrameReason(Record(CMD_READ_SLOT_REPLY, 12, 9)),
            "slot reply shorter than its fields");
  // A slot reply whose length passes 138 bytes gets through once it shows 139: the handler
  // then refuses it as too long.
  EXPECT_EQ(ShortFrameReason(Record(CMD_READ_SLOT_REPLY, 138, 200)),
            "slot reply shorter than its fields");
  EXPECT_EQ(ShortFrameReason(Record(CMD_READ_SLOT_REPLY, 139, 200)), "");
  // The status replies read only their status field, whatever the length field says.
  EXPECT_EQ(ShortFrameReason(Record(CMD_UPDATE_REPLY, 6, 2)), "");
  EXPECT_EQ(ShortFrameReason(Record(CMD_WRITE_SLOT_REPLY, 6, 300)), "");
}

TEST(CommandTable, TraceTextOfEveryFrame) {
  const Bytes ten(10, 0xAA);
  const Bytes block(128, 0x55);
  const Bytes text = {'H', 'i', 0x01, 0x00, 'x'};
  const struct {
    Bytes frame;
    std::string text;
  } cases[] = {
      {BuildReadSlot({3}), "CMD_READ_SLOT length=10 slot=3"},
      {BuildWriteSlot({0, 1, 2, 5, ten}),
       "CMD_WRITE_SLOT length=20 status=0 end=1 block=2 slot=5 data=10"},
      {BuildUpdateStart({0x8000, 0x1234, 0x5678}),
       "CMD_UPDATE_START length=20 start=0x8000 size=4660 sum=0x5678"},
      {BuildUpdateData({7, block}), "CMD_UPDATE_DATA length=136 index=7 data=128"},
      {BuildUpdateReply({1}), "CMD_UPDATE_REPLY length=6 status=1"},
      {BuildDeviceMessage({0x0102, text}), "CMD_DEVICE_MESSAGE length=13 status=258 text=\"Hi?\""},
      {BuildReadSlotReply({2, 0, 4, 8, ten}),
       "CMD_READ_SLOT_REPLY length=20 status=2 end=0 block=4 slot=8 data=10"},
      {BuildWriteSlotReply({1}), "CMD_WRITE_SLOT_REPLY length=6 status=1"},
      // The fields show only when the record holds them; the data count is what arrived.
      {Record(CMD_READ_SLOT, 9, 10), "CMD_READ_SLOT length=10"},
      {Record(CMD_READ_SLOT_REPLY, 12, 300),
       "CMD_READ_SLOT_REPLY length=300 status=0 end=0 block=0 slot=0 data=2"},
      {Record(0x77, 6, 6), "CMD_UNKNOWN length=6"},
      {Bytes{0x30, 0x00, 0x0A}, "(shorter than a frame header)"},
  };
  for (const auto& c : cases) EXPECT_EQ(DescribeFrame(c.frame), c.text);
}

}  // namespace
}  // namespace q7310
