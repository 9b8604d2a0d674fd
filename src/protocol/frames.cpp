#include "protocol/frames.h"

#include <algorithm>

#include "protocol/protocol.h"

namespace q7310 {
namespace {

// A zeroed frame of `fields` fixed bytes followed by `data`, with command and length set.
FrameBytes NewFrame(uint16_t command, size_t fields, std::span<const uint8_t> data = {}) {
  FrameBytes f(fields + data.size(), 0);
  PutU16(f.data(), kOffCommand, command);
  PutU16(f.data(), kOffLength, static_cast<uint16_t>(f.size()));
  std::copy(data.begin(), data.end(), f.begin() + static_cast<std::ptrdiff_t>(fields));
  return f;
}

FrameBytes SlotFrame(uint16_t command, const SlotBlock& b) {
  FrameBytes f = NewFrame(command, kSlotFrameHeaderSize, b.data);
  f[kOffStatusByte] = b.status;
  f[kOffEndOfSlot] = b.endOfSlot;
  PutU16(f.data(), kOffBlockNumber, b.block);
  PutU16(f.data(), kOffSlotNumber, b.slot);
  return f;
}

// The bytes between the fixed fields and the length field, or nothing when the length field
// does not lie between the fixed fields and the record's end, or leaves more than `limit` bytes.
std::optional<std::span<const uint8_t>> Body(std::span<const uint8_t> record, size_t fields,
                                             size_t limit) {
  if (record.size() < fields) return std::nullopt;
  const size_t length = GetU16(record, kOffLength);
  if (length < fields || length > record.size() || length - fields > limit) return std::nullopt;
  return record.subspan(fields, length - fields);
}

std::optional<SlotBlock> ParseSlotFrame(std::span<const uint8_t> record, size_t limit) {
  const auto data = Body(record, kSlotFrameHeaderSize, limit);
  if (!data) return std::nullopt;
  return SlotBlock{record[kOffStatusByte], record[kOffEndOfSlot], GetU16(record, kOffBlockNumber),
                   GetU16(record, kOffSlotNumber), *data};
}

}  // namespace

FrameBytes BuildReadSlot(ReadSlotRequest request) {
  FrameBytes f = NewFrame(CMD_READ_SLOT, kReadSlotFrameSize);
  PutU16(f.data(), kOffSlotNumber, request.slot);
  return f;
}

FrameBytes BuildWriteSlot(const SlotBlock& block) {
  return SlotFrame(CMD_WRITE_SLOT, block);
}

FrameBytes BuildUpdateStart(const UpdateStartRequest& request) {
  FrameBytes f = NewFrame(CMD_UPDATE_START, kUpdateStartFrameSize);
  PutU32(f.data(), kOffStartAddress, request.startAddress);
  PutU32(f.data(), kOffImageSize, request.imageSize);
  PutU32(f.data(), kOffImageSum, request.imageSum);
  return f;
}

FrameBytes BuildUpdateData(const UpdateDataRequest& request) {
  FrameBytes f = NewFrame(CMD_UPDATE_DATA, kOffUpdateData, request.data);
  PutU16(f.data(), kOffWord6, request.index);
  return f;
}

FrameBytes BuildUpdateReply(UpdateReply reply) {
  FrameBytes f = NewFrame(CMD_UPDATE_REPLY, kMinReplySize);
  PutU16(f.data(), kOffWord4, reply.status);
  return f;
}

FrameBytes BuildDeviceMessage(const DeviceMessage& message) {
  FrameBytes f = NewFrame(CMD_DEVICE_MESSAGE, kOffMessageText, message.text);
  PutU16(f.data(), kOffWord4, message.status);
  return f;
}

FrameBytes BuildReadSlotReply(const SlotBlock& block) {
  return SlotFrame(CMD_READ_SLOT_REPLY, block);
}

FrameBytes BuildWriteSlotReply(WriteSlotReply reply) {
  FrameBytes f = NewFrame(CMD_WRITE_SLOT_REPLY, kMinReplySize);
  f[kOffStatusByte] = reply.status;
  return f;
}

std::optional<ReadSlotRequest> ParseReadSlot(std::span<const uint8_t> record) {
  if (record.size() < kReadSlotFrameSize) return std::nullopt;
  return ReadSlotRequest{GetU16(record, kOffSlotNumber)};
}

std::optional<SlotBlock> ParseWriteSlot(std::span<const uint8_t> record) {
  return ParseSlotFrame(record, kMaxWriteSlotData);
}

std::optional<UpdateStartRequest> ParseUpdateStart(std::span<const uint8_t> record) {
  if (record.size() < kUpdateStartFrameSize) return std::nullopt;
  return UpdateStartRequest{GetU32(record, kOffStartAddress), GetU32(record, kOffImageSize),
                            GetU32(record, kOffImageSum)};
}

std::optional<UpdateDataRequest> ParseUpdateData(std::span<const uint8_t> record) {
  const auto data = Body(record, kOffUpdateData, kMaxUpdateBlock);
  if (!data) return std::nullopt;
  return UpdateDataRequest{GetU16(record, kOffWord6), *data};
}

std::optional<UpdateReply> ParseUpdateReply(std::span<const uint8_t> record) {
  if (record.size() < kMinReplySize) return std::nullopt;
  return UpdateReply{GetU16(record, kOffWord4)};
}

std::optional<DeviceMessage> ParseDeviceMessage(std::span<const uint8_t> record) {
  const auto text = Body(record, kOffMessageText, record.size());
  if (!text) return std::nullopt;
  return DeviceMessage{GetU16(record, kOffWord4), *text};
}

std::optional<SlotBlock> ParseReadSlotReply(std::span<const uint8_t> record) {
  return ParseSlotFrame(record, kMaxReadSlotData);
}

std::optional<WriteSlotReply> ParseWriteSlotReply(std::span<const uint8_t> record) {
  if (record.size() < kMinReplySize) return std::nullopt;
  return WriteSlotReply{record[kOffStatusByte]};
}

bool LengthMatchesRecord(std::span<const uint8_t> record) {
  return record.size() >= kCommandFieldSize && GetU16(record, kOffLength) == record.size();
}

}  // namespace q7310
