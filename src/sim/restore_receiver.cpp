#include "sim/restore_receiver.h"

#include "protocol/frames.h"
#include "sim/slot_records.h"

namespace q7310::sim {

namespace {
constexpr size_t kMaxRecordData = 0xFFFF;  // the record's 16-bit length field
}

RestoreReceiver::OpenRecord RestoreReceiver::LastClosedAsOpen() const {
  const ClosedRecord& c = *m_lastClosed;
  const auto dataBegin =
      m_records.begin() + static_cast<std::ptrdiff_t>(c.recordStart + kSlotRecordHeaderSize);
  return OpenRecord{c.slot, c.lastBlock + 1, c.lastBlockOffset,
                    std::vector<uint8_t>(dataBegin, m_records.end())};
}

RestoreReceiver::Result RestoreReceiver::Block(std::span<const uint8_t> frame) {
  const std::optional<SlotBlock> request = ParseWriteSlot(frame);
  if (!request || !LengthMatchesRecord(frame)) return Result::kBadFrame;
  const uint16_t block = request->block;
  const uint16_t slot = request->slot;
  const bool endOfSlot = request->endOfSlot != 0;
  const auto data = request->data;

  // A repeat of the block that closed the last record reopens that record.
  const bool repeatsClosing =
      !m_open && m_lastClosed && m_lastClosed->slot == slot && m_lastClosed->lastBlock == block;
  const std::optional<OpenRecord> open = repeatsClosing ? LastClosedAsOpen() : m_open;

  OpenRecord candidate;
  if (open && open->slot == slot && block == open->nextBlock) {
    candidate = *open;
    candidate.lastBlockOffset = candidate.data.size();
  } else if (open && open->slot == slot && uint32_t{block} + 1 == open->nextBlock) {
    candidate = *open;
    candidate.data.resize(candidate.lastBlockOffset);
  } else if (block == 0) {
    candidate.slot = slot;
  } else {
    return Result::kBadFrame;
  }
  if (candidate.data.size() + data.size() > kMaxRecordData) return Result::kBadFrame;
  candidate.data.insert(candidate.data.end(), data.begin(), data.end());
  candidate.nextBlock = uint32_t{block} + 1;
  if (repeatsClosing) {
    m_records.resize(m_lastClosed->recordStart);
    --m_recordsClosed;
    m_lastClosed.reset();
  }

  if (!endOfSlot) {
    m_open = std::move(candidate);
    return Result::kAccepted;
  }
  m_lastClosed = ClosedRecord{slot, block, candidate.lastBlockOffset, m_records.size()};
  AppendSlotRecord(slot, candidate.data, m_records);
  ++m_recordsClosed;
  m_open.reset();
  return Result::kRecordClosed;
}

}  // namespace q7310::sim
