#include "backup/settings_compare.h"

#include <algorithm>
#include <map>

#include "backup/slot_record.h"

namespace q7310 {
namespace {

using SlotMap = std::map<uint16_t, std::span<const uint8_t>>;

SlotMap SlotsOf(std::span<const uint8_t> bytes) {
  SlotMap slots;
  size_t r = 0;
  while (bytes.size() - r >= slot_record::kHeaderSize) {
    const uint16_t slot = slot_record::ReadBe16(&bytes[r + slot_record::kSlotOffset]);
    const uint16_t length = slot_record::ReadBe16(&bytes[r + slot_record::kLengthOffset]);
    if (length > bytes.size() - r - slot_record::kHeaderSize) break;
    slots[slot] = bytes.subspan(r + slot_record::kHeaderSize, length);
    r += slot_record::kHeaderSize + length;
  }
  return slots;
}

}  // namespace

SettingsComparison CompareSlotRecords(std::span<const uint8_t> expected,
                                      std::span<const uint8_t> actual) {
  const SlotMap want = SlotsOf(expected);
  const SlotMap got = SlotsOf(actual);
  SettingsComparison result;
  for (const auto& [slot, data] : want) {
    const auto it = got.find(slot);
    if (it == got.end()) {
      result.missingOnAmplifier.push_back(slot);
      continue;
    }
    ++result.slotsCompared;
    const std::span<const uint8_t> back = it->second;
    const auto mismatch = std::mismatch(data.begin(), data.end(), back.begin(), back.end());
    if (mismatch.first == data.end() && mismatch.second == back.end()) continue;
    result.differing.push_back({slot, static_cast<uint32_t>(mismatch.first - data.begin()),
                                static_cast<uint32_t>(data.size()),
                                static_cast<uint32_t>(back.size())});
  }
  for (const auto& [slot, data] : got) {
    if (!want.contains(slot)) result.missingInFile.push_back(slot);
  }
  return result;
}

std::string DescribeComparison(const SettingsComparison& comparison) {
  if (comparison.Equal()) {
    return "all " + std::to_string(comparison.slotsCompared) + " slots equal";
  }
  std::string text;
  const auto line = [&text](const std::string& s) {
    if (!text.empty()) text += '\n';
    text += s;
  };
  for (const SlotDifference& d : comparison.differing) {
    line("slot " + std::to_string(d.slot) + ": differs at offset " + std::to_string(d.firstOffset) +
         " (file " + std::to_string(d.expectedLength) + " bytes, amplifier " +
         std::to_string(d.actualLength) + " bytes)");
  }
  for (uint16_t slot : comparison.missingOnAmplifier) {
    line("slot " + std::to_string(slot) + ": in the file, not read back from the amplifier");
  }
  for (uint16_t slot : comparison.missingInFile) {
    line("slot " + std::to_string(slot) + ": read back from the amplifier, not in the file");
  }
  return text;
}

}  // namespace q7310
