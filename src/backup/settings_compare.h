// Comparing the settings read back from the amplifier with the backup file that was restored.
//
// Both sides are sequences of slot records (slot number and data length, big-endian, then the
// data). Records are matched by slot number; when a side holds a slot more than once, its last
// record counts, as the amplifier keeps the last one written.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace q7310 {

struct SlotDifference {
  uint16_t slot = 0;
  uint32_t firstOffset = 0;     // first differing byte within the slot's data
  uint32_t expectedLength = 0;  // data bytes in the backup file
  uint32_t actualLength = 0;    // data bytes read back from the amplifier
};

struct SettingsComparison {
  uint32_t slotsCompared = 0;                // slots present on both sides
  std::vector<SlotDifference> differing;     // in slot order
  std::vector<uint16_t> missingOnAmplifier;  // in the file, not read back
  std::vector<uint16_t> missingInFile;       // read back, not in the file
  bool Equal() const {
    return differing.empty() && missingOnAmplifier.empty() && missingInFile.empty();
  }
};

// Compares two well-formed sequences of slot records (a record running past the end is ignored
// with everything after it; callers check the file first).
SettingsComparison CompareSlotRecords(std::span<const uint8_t> expected,
                                      std::span<const uint8_t> actual);

// One line per finding, e.g. "slot 3: differs at offset 17 (file 120 bytes, amplifier 120
// bytes)"; "all 9 slots equal" when there is none.
std::string DescribeComparison(const SettingsComparison& comparison);

}  // namespace q7310
