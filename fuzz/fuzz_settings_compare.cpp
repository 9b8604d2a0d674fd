// Fuzz target: comparing two arbitrary byte strings as slot records, as a verify compares the
// slots read back with a backup file. The first byte splits the input into the two sides. A side
// always equals itself; every difference found lies within the longer of its slot's two data
// lengths, and the description names every finding.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "backup/settings_compare.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::span<const uint8_t> input(data + 1, size - 1);
  const size_t split = std::min<size_t>(data[0] * input.size() / 255, input.size());
  const auto expected = input.first(split);
  const auto actual = input.subspan(split);

  if (!q7310::CompareSlotRecords(expected, expected).Equal()) std::abort();
  const q7310::SettingsComparison c = q7310::CompareSlotRecords(expected, actual);
  for (const q7310::SlotDifference& d : c.differing) {
    if (d.firstOffset > std::max(d.expectedLength, d.actualLength)) std::abort();
    if (d.expectedLength == d.actualLength && d.firstOffset >= d.expectedLength) std::abort();
  }
  const size_t findings = c.differing.size() + c.missingOnAmplifier.size() + c.missingInFile.size();
  const std::string text = q7310::DescribeComparison(c);
  if (findings != 0 &&
      static_cast<size_t>(std::count(text.begin(), text.end(), '\n')) + 1 != findings)
    std::abort();
  return 0;
}
