// Comparing read-back slot records with a backup file, slot by slot.
#include "backup/settings_compare.h"

#include <gtest/gtest.h>

#include <vector>

#include "backup_test_support.h"

namespace q7310 {
namespace {

using testing::AppendRecord;
using testing::Bytes;

TEST(SettingsCompare, EqualRecordsInAnyOrderMatch) {
  Bytes file, back;
  AppendRecord(file, 0, {1, 2, 3});
  AppendRecord(file, 1, {});
  AppendRecord(back, 1, {});
  AppendRecord(back, 0, {1, 2, 3});
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
    AppendRecord(file, 5, k.expected);
    AppendRecord(back, 5, k.actual);
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
  AppendRecord(file, 0, {1});
  AppendRecord(file, 2, {2});
  AppendRecord(back, 0, {1});
  AppendRecord(back, 8, {3});
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
  AppendRecord(file, 4, {1});
  AppendRecord(file, 4, {2});
  AppendRecord(back, 4, {2});
  EXPECT_TRUE(CompareSlotRecords(file, back).Equal());
}

}  // namespace
}  // namespace q7310
