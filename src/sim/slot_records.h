// Raw slot records as the simulated amplifier keeps its settings.
//
// A slot record is a 2-byte slot number and a 2-byte data length, both big-endian, followed by
// that many data bytes; records stand back to back with no header. The same layout is what a
// settings file (--settings) holds and what the restore output (--restore-out) receives.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace q7310::sim {

inline constexpr size_t kSlotRecordHeaderSize = 4;  // slot number, data length

struct SlotRecord {
  uint16_t slot = 0;
  std::vector<uint8_t> data;
};

// Splits back-to-back records. Empty when a record's header or data runs past the end.
std::optional<std::vector<SlotRecord>> ParseSlotRecords(std::span<const uint8_t> raw);

// Appends one record (header and data) to out.
void AppendSlotRecord(uint16_t slot, std::span<const uint8_t> data, std::vector<uint8_t>& out);

// The records back to back.
std::vector<uint8_t> SerializeSlotRecords(std::span<const SlotRecord> records);

}  // namespace q7310::sim
