// Builders and parsers for the eight frames of the service protocol (layouts in protocol.h).
//
// A builder returns the whole frame with the data as given, its length field set to its size;
// keeping within a frame's limits (128 data bytes) is the caller's part, so that tests can build
// the overlong frames a faulty peer might send.
//
// A parser reads a record as the frame assembler delivered it and returns its fields, or nothing
// when the record is too short for the fields or its length field does not fit the record; it
// does not look at the command code (the caller has dispatched on it). Data and text fields
// point into the record. Bytes past the length field are not part of the frame and are left
// alone.
//
// Pure functions: safe on any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace q7310 {

using FrameBytes = std::vector<uint8_t>;

// 0x30, program -> amplifier.
struct ReadSlotRequest {
  uint16_t slot = 0;
};
// 0x31 (program -> amplifier) and 0x40 (amplifier -> program): one block of a slot.
struct SlotBlock {
  uint8_t status = 0;     // 0x40: 0 ok, anything else a failure; 0x31: 0
  uint8_t endOfSlot = 0;  // non-zero on the slot's last block
  uint16_t block = 0;     // numbered from 0 within the slot
  uint16_t slot = 0;
  std::span<const uint8_t> data;
  // Status byte and end-of-slot flag as one control word (the flag in the high byte).
  uint16_t Control() const { return static_cast<uint16_t>(status | (endOfSlot << 8)); }
};
// 0x10, program -> amplifier.
struct UpdateStartRequest {
  uint32_t startAddress = 0;
  uint32_t imageSize = 0;
  uint32_t imageSum = 0;
};
// 0x11, program -> amplifier.
struct UpdateDataRequest {
  uint16_t index = 0;
  std::span<const uint8_t> data;
};
// 0x20, amplifier -> program.
struct UpdateReply {
  uint16_t status = 0;  // kUpdateStatusOk or a failure
};
// 0x41, amplifier -> program.
struct WriteSlotReply {
  uint8_t status = 0;  // 0 ok, anything else a failure
};
// 0x25, amplifier -> program.
struct DeviceMessage {
  uint16_t status = 0;
  std::span<const uint8_t> text;  // as sent: it may end early at a zero byte
};

// The bytes of a text, as a device message carries them.
inline std::span<const uint8_t> TextBytes(std::string_view text) {
  return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

// Builders.
FrameBytes BuildReadSlot(ReadSlotRequest request);
FrameBytes BuildWriteSlot(const SlotBlock& block);
FrameBytes BuildUpdateStart(const UpdateStartRequest& request);
FrameBytes BuildUpdateData(const UpdateDataRequest& request);
FrameBytes BuildUpdateReply(UpdateReply reply);
FrameBytes BuildDeviceMessage(const DeviceMessage& message);
FrameBytes BuildReadSlotReply(const SlotBlock& block);
FrameBytes BuildWriteSlotReply(WriteSlotReply reply);

// Parsers. The fixed-size frames (0x30, 0x10, 0x20, 0x41) need only their fields; the others
// take their data up to the length field, which must lie between the fixed fields and the
// record's size and, for 0x31, 0x11 and 0x40, keep the data within 128 bytes.
std::optional<ReadSlotRequest> ParseReadSlot(std::span<const uint8_t> record);
std::optional<SlotBlock> ParseWriteSlot(std::span<const uint8_t> record);
std::optional<UpdateStartRequest> ParseUpdateStart(std::span<const uint8_t> record);
std::optional<UpdateDataRequest> ParseUpdateData(std::span<const uint8_t> record);
std::optional<UpdateReply> ParseUpdateReply(std::span<const uint8_t> record);
std::optional<DeviceMessage> ParseDeviceMessage(std::span<const uint8_t> record);
std::optional<SlotBlock> ParseReadSlotReply(std::span<const uint8_t> record);
std::optional<WriteSlotReply> ParseWriteSlotReply(std::span<const uint8_t> record);

// True when the record's length field counts exactly the record's bytes (a record shorter than
// the command and length fields has no length field: false).
bool LengthMatchesRecord(std::span<const uint8_t> record);

}  // namespace q7310
