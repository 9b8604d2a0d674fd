#include "protocol/command_table.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "protocol/protocol.h"

namespace q7310 {
namespace {

constexpr std::string_view kUnknownName = "CMD_UNKNOWN";
constexpr std::string_view kShorterThanHeader = "frame shorter than its header";
constexpr std::string_view kShortStatusReply = "reply shorter than its status field";

// " name=value" in decimal, or in hex with a 0x prefix.
std::string Field(const char* name, uint32_t value, bool hex = false) {
  char text[48];
  std::snprintf(text, sizeof text, hex ? " %s=0x%X" : " %s=%u", name, value);
  return text;
}

uint32_t BytesFrom(std::span<const uint8_t> f, size_t offset) {
  return static_cast<uint32_t>(f.size() - offset);
}

// The trace's field texts, one per frame layout. The data counts are the record's bytes past the
// fixed fields, whatever the length field says: the trace shows what arrived.
void DescribeReadSlot(std::span<const uint8_t> f, std::string& text) {
  text += Field("slot", GetU16(f, kOffSlotNumber));
}

void DescribeSlotBlock(std::span<const uint8_t> f, std::string& text) {
  text += Field("status", f[kOffStatusByte]) + Field("end", f[kOffEndOfSlot]) +
          Field("block", GetU16(f, kOffBlockNumber)) + Field("slot", GetU16(f, kOffSlotNumber)) +
          Field("data", BytesFrom(f, kSlotFrameHeaderSize));
}

void DescribeUpdateStart(std::span<const uint8_t> f, std::string& text) {
  text += Field("start", GetU32(f, kOffStartAddress), true) +
          Field("size", GetU32(f, kOffImageSize)) + Field("sum", GetU32(f, kOffImageSum), true);
}

void DescribeUpdateData(std::span<const uint8_t> f, std::string& text) {
  text += Field("index", GetU16(f, kOffWord6)) + Field("data", BytesFrom(f, kOffUpdateData));
}

void DescribeStatusWord(std::span<const uint8_t> f, std::string& text) {
  text += Field("status", GetU16(f, kOffWord4));
}

// The text up to its first zero byte, with anything but printable ASCII shown as '?'.
void DescribeDeviceMessage(std::span<const uint8_t> f, std::string& text) {
  text += Field("status", GetU16(f, kOffWord4)) + " text=\"";
  for (size_t i = kOffMessageText; i < f.size() && f[i] != 0; ++i)
    text += (f[i] >= 0x20 && f[i] < 0x7F) ? static_cast<char>(f[i]) : '?';
  text += '"';
}

constexpr std::array kCommands = {
    CommandRow{CMD_UPDATE_START,
               "CMD_UPDATE_START",
               Sender::kProgram,
               kUpdateStartFrameSize,
               0,
               {},
               DescribeUpdateStart},
    CommandRow{CMD_UPDATE_DATA,
               "CMD_UPDATE_DATA",
               Sender::kProgram,
               kOffUpdateData,
               0,
               {},
               DescribeUpdateData},
    CommandRow{CMD_UPDATE_REPLY, "CMD_UPDATE_REPLY", Sender::kAmplifier, kMinReplySize, 0,
               kShortStatusReply, DescribeStatusWord},
    CommandRow{CMD_DEVICE_MESSAGE, "CMD_DEVICE_MESSAGE", Sender::kAmplifier, kOffMessageText,
               kWholeLength, "device message shorter than its fields", DescribeDeviceMessage},
    CommandRow{CMD_READ_SLOT,
               "CMD_READ_SLOT",
               Sender::kProgram,
               kReadSlotFrameSize,
               0,
               {},
               DescribeReadSlot},
    CommandRow{CMD_WRITE_SLOT,
               "CMD_WRITE_SLOT",
               Sender::kProgram,
               kSlotFrameHeaderSize,
               0,
               {},
               DescribeSlotBlock},
    // A length field past 138 bytes passes once the record holds 139: the handler then refuses
    // the reply as too long, rather than dropping it as too short.
    CommandRow{CMD_READ_SLOT_REPLY, "CMD_READ_SLOT_REPLY", Sender::kAmplifier, kSlotFrameHeaderSize,
               kMaxReadSlotFrame + 1, "slot reply shorter than its fields", DescribeSlotBlock},
    CommandRow{CMD_WRITE_SLOT_REPLY, "CMD_WRITE_SLOT_REPLY", Sender::kAmplifier, kMinReplySize, 0,
               kShortStatusReply, DescribeStatusWord},
};

}  // namespace

std::span<const CommandRow> CommandTable() {
  return kCommands;
}

const CommandRow* FindCommand(uint16_t code) {
  const auto it = std::find_if(kCommands.begin(), kCommands.end(),
                               [code](const CommandRow& row) { return row.code == code; });
  return it == kCommands.end() ? nullptr : &*it;
}

std::string_view CommandName(uint16_t code) {
  const CommandRow* row = FindCommand(code);
  return row ? row->name : kUnknownName;
}

std::string_view ShortFrameReason(std::span<const uint8_t> frame) {
  if (frame.size() < kCommandFieldSize) return kShorterThanHeader;
  const CommandRow* row = FindCommand(GetU16(frame, kOffCommand));
  if (row == nullptr || row->sender != Sender::kAmplifier) return {};
  if (frame.size() < row->fieldsSize) return row->shortReason;
  if (row->lengthCheckedUpTo == 0) return {};
  const size_t length = GetU16(frame, kOffLength);
  if (length < row->fieldsSize || frame.size() < std::min(length, row->lengthCheckedUpTo)) {
    return row->shortReason;
  }
  return {};
}

std::string DescribeFrame(std::span<const uint8_t> frame) {
  if (frame.size() < kCommandFieldSize) return "(shorter than a frame header)";
  const uint16_t code = GetU16(frame, kOffCommand);
  std::string text(CommandName(code));
  text += Field("length", GetU16(frame, kOffLength));
  const CommandRow* row = FindCommand(code);
  if (row != nullptr && frame.size() >= row->fieldsSize) row->describeFields(frame, text);
  return text;
}

}  // namespace q7310
