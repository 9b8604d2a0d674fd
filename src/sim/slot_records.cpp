#include "sim/slot_records.h"

namespace q7310::sim {

namespace {
uint16_t GetBe16(std::span<const uint8_t> b, size_t off) {
  return static_cast<uint16_t>((b[off] << 8) | b[off + 1]);
}
}  // namespace

std::optional<std::vector<SlotRecord>> ParseSlotRecords(std::span<const uint8_t> raw) {
  std::vector<SlotRecord> records;
  size_t pos = 0;
  while (pos < raw.size()) {
    if (raw.size() - pos < kSlotRecordHeaderSize) return std::nullopt;
    const uint16_t slot = GetBe16(raw, pos);
    const size_t length = GetBe16(raw, pos + 2);
    pos += kSlotRecordHeaderSize;
    if (raw.size() - pos < length) return std::nullopt;
    records.push_back({slot, std::vector<uint8_t>(raw.begin() + pos, raw.begin() + pos + length)});
    pos += length;
  }
  return records;
}

void AppendSlotRecord(uint16_t slot, std::span<const uint8_t> data, std::vector<uint8_t>& out) {
  const auto length = static_cast<uint16_t>(data.size());
  out.push_back(static_cast<uint8_t>(slot >> 8));
  out.push_back(static_cast<uint8_t>(slot & 0xFF));
  out.push_back(static_cast<uint8_t>(length >> 8));
  out.push_back(static_cast<uint8_t>(length & 0xFF));
  out.insert(out.end(), data.begin(), data.end());
}

std::vector<uint8_t> SerializeSlotRecords(std::span<const SlotRecord> records) {
  std::vector<uint8_t> out;
  for (const auto& r : records) AppendSlotRecord(r.slot, r.data, out);
  return out;
}

}  // namespace q7310::sim
