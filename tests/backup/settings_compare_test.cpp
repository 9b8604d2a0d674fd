// Comparing read-back slot records with a backup file, slot by slot.
#include "backup/settings_compare.h"

#include <gtest/gtest.h>

#include <vector>

namespace q7310 {
namespace {

using Bytes = std::vector<uint8_t>;

void Append(Bytes& out, uint16_t slot, const Bytes& data) {
  out.push_back(static_cast<uint8_t>(slot >> 8));
  out.push_back(static_cast<uint8_t>(slot));
  out.push_back(static_cast<uint8_t>(data.size() >> 8));
  out.push_back(static_cast<uint8_t>(data.size()));
  out.insert(out.end(), data.begin(), data.end());
}

TEST(SettingsCompare, EqualRecordsInAnyOrderMatch) {
  Bytes file, back;
  Append(file, 0, {1, 2, 3});
  Append(file, 1, {});
  Append(back, 1, {});
  Append(back, 0, {1, 2, 3});
  const SettingsComparison c = CompareSlotRecords(file, back);
  EXPECT_TRUE(c.Equal());
  EXPECT_EQ(c.slotsCompared, 2u);
  EXPECT_EQ(DescribeComparison(c), "all 2 slots equal");
}

TEST(SettingsCompare, FindsTheFirstDifferingByteAndLengthChanges) {
  struct Case {
    Bytes expected, actual;
    uint32_t offset;
  };
  const Case cases[] = {
      {{1, 2, 3, 4}, {1, 2, 9, 4}, 2},  // a changed byte
      {{1, 2, 3, 4}, {1, 2, 3}, 3},     // cut short: differs where it ends
      {{1, 2}, {1, 2, 0}, 2},           // one byte longer
      {{7}, {8}, 0},
  };
  for (const Case& k : cases) {
    Bytes file, back;
    Append(file, 5, k.expected);
    Append(back, 5, k.actual);
    const SettingsComparison c = CompareSlotRecords(file, back);
    ASSERT_EQ(c.differing.size(), 1u);
    EXPECT_EQ(c.differing[0].slot, 5);
    EXPECT_EQ(c.differing[0].firstOffset, k.offset);
    EXPECT_EQ(c.differing[0].expectedLength, k.expected.size());
    EXPECT_EQ(c.differing[0].actualLength, k.actual.size());
  }
}

TEST(SettingsCompare, ListsSlotsMissingOnEitherSide) {
  Bytes file, back;
  Append(file, 0, {1});
  Append(file, 2, {2});
  Append(back, 0, {1});
  Append(back, 8, {3});
  const SettingsComparison c = CompareSlotRecords(file, back);
  EXPECT_FALSE(c.Equal());
  EXPECT_EQ(c.missingOnAmplifier, std::vector<uint16_t>{2});
  EXPECT_EQ(c.missingInFile, std::vector<uint16_t>{8});
  EXPECT_EQ(DescribeComparison(c),
            "slot 2: in the file, not read back from the amplifier\n"
            "slot 8: read back from the amplifier, not in the file");
}

TEST(SettingsCompare, TheLastRecordOfARepeatedSlotCounts) {
  // The amplifier keeps the last record written for a slot.
  Bytes file, back;
  Append(file, 4, {1});
  Append(file, 4, {2});
  Append(back, 4, {2});
  EXPECT_TRUE(CompareSlotRecords(file, back).Equal());
}

}  // namespace
}  // namespace q7310
