// Fuzz target: the frame parsers, the short-frame check and the trace's text on an arbitrary
// record (the input, as the frame assembler would deliver it).
//
// Besides crashes and undefined behaviour it checks what the controller and the simulator rely
// on: a reply that passes the short-frame check parses (the slot reply unless its length field
// passes 138 bytes); parsed data lies inside the record, up to the length field; and what a
// parser returns, built again and parsed again, gives the same fields.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <span>
#include <string>

#include "protocol/command_table.h"
#include "protocol/frames.h"
#include "protocol/protocol.h"

namespace {

using namespace q7310;

void Check(bool holds) {
  if (!holds) std::abort();
}

// The data span lies inside the record and ends at its length field.
void CheckInside(std::span<const uint8_t> record, std::span<const uint8_t> data) {
  Check(data.data() >= record.data() && data.data() + data.size() <= record.data() + record.size());
  Check(static_cast<size_t>(data.data() + data.size() - record.data()) ==
        GetU16(record, kOffLength));
}

bool SameBlock(const SlotBlock& a, const SlotBlock& b) {
  return a.status == b.status && a.endOfSlot == b.endOfSlot && a.block == b.block &&
         a.slot == b.slot && std::equal(a.data.begin(), a.data.end(), b.data.begin(), b.data.end());
}

void CheckRequests(std::span<const uint8_t> r) {
  if (const auto p = ParseReadSlot(r)) Check(ParseReadSlot(BuildReadSlot(*p))->slot == p->slot);
  if (const auto p = ParseWriteSlot(r)) {
    CheckInside(r, p->data);
    const FrameBytes again = BuildWriteSlot(*p);
    Check(SameBlock(ParseWriteSlot(again).value(), *p));
  }
  if (const auto p = ParseUpdateStart(r)) {
    const auto q = ParseUpdateStart(BuildUpdateStart(*p)).value();
    Check(q.startAddress == p->startAddress && q.imageSize == p->imageSize &&
          q.imageSum == p->imageSum);
  }
  if (const auto p = ParseUpdateData(r)) {
    CheckInside(r, p->data);
    const FrameBytes again = BuildUpdateData(*p);
    const auto q = ParseUpdateData(again).value();
    Check(q.index == p->index &&
          std::equal(q.data.begin(), q.data.end(), p->data.begin(), p->data.end()));
  }
}

void CheckReplies(std::span<const uint8_t> r) {
  const bool passes = ShortFrameReason(r).empty();
  const auto update = ParseUpdateReply(r);
  const auto write = ParseWriteSlotReply(r);
  const auto message = ParseDeviceMessage(r);
  const auto slot = ParseReadSlotReply(r);
  if (update) Check(ParseUpdateReply(BuildUpdateReply(*update))->status == update->status);
  if (write) Check(ParseWriteSlotReply(BuildWriteSlotReply(*write))->status == write->status);
  if (message) CheckInside(r, message->text);
  if (slot) {
    CheckInside(r, slot->data);
    const FrameBytes again = BuildReadSlotReply(*slot);
    Check(SameBlock(ParseReadSlotReply(again).value(), *slot));
  }
  if (!passes || r.size() < kCommandFieldSize) return;
  switch (GetU16(r, kOffCommand)) {
    case CMD_UPDATE_REPLY:
      Check(update.has_value());
      break;
    case CMD_WRITE_SLOT_REPLY:
      Check(write.has_value());
      break;
    case CMD_DEVICE_MESSAGE:
      Check(message.has_value());
      break;
    case CMD_READ_SLOT_REPLY:
      Check(slot.has_value() == (GetU16(r, kOffLength) <= kMaxReadSlotFrame));
      break;
    default:
      break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> record(data, size);
  CheckRequests(record);
  CheckReplies(record);
  const std::string text = DescribeFrame(record);
  Check(!text.empty());
  return 0;
}
