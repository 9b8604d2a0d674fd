// The inspection of backup files behind `q7310 inspect`, on real files.
#include "backup/backup_file_info.h"

#include <gtest/gtest.h>

#include "backup/sample_settings.h"
#include "backup/settings_backup.h"
#include "backup_test_support.h"
#include "support/files.h"
#include "support/temp_folder.h"

namespace q7310 {
namespace {

using testing::AppendRecord;
using testing::Bytes;
using testing::TempFolder;
using testing::WriteFile;

// A converted backup made the way BACKUP makes it.
Bytes ConvertedSample(uint8_t format) {
  const Bytes raw = MakeSampleRawSettings(format, 3);
  CSettingsBackup store;
  for (size_t r = 0; r < raw.size();) {
    const uint16_t n = static_cast<uint16_t>(raw[r + 2] << 8 | raw[r + 3]);
    EXPECT_TRUE(store.StoreBlock(0x0100, 0, raw[r + 1], raw.data() + r + 4, n));
    r += 4 + n;
  }
  TempFolder dir;
  EXPECT_TRUE(store.ConvertAndSave(dir.File("BACKUP.BIN")));
  return testing::ReadFile(dir.File("BACKUP.BIN"));
}

TEST(InspectBackup, ConvertedBackupListsNineRecordsWithTheirHeaders) {
  TempFolder dir;
  WriteFile(dir.File("BACKUP.BIN"), ConvertedSample(1));
  const BackupFileInfo info = InspectBackupFile(dir.File("BACKUP.BIN"));
  EXPECT_EQ(info.problem, BackupFileProblem::kNone);
  EXPECT_EQ(info.fileSize, 135204u);
  ASSERT_EQ(info.records.size(), 9u);
  const uint16_t lengths[9] = {32768, 32768, 32768, 2048, 2048, 0, 0, 32768, 0};
  uint32_t offset = 0;
  for (uint16_t i = 0; i < 9; ++i) {
    const SlotRecordInfo& r = info.records[i];
    EXPECT_EQ(r.slot, i);
    EXPECT_EQ(r.offset, offset);
    EXPECT_EQ(r.length, lengths[i]);
    const bool header = i <= 4 || i == 7;  // types 0 to 4 and 7
    EXPECT_EQ(r.hasHeader, header) << "slot " << i;
    if (header) {
      EXPECT_EQ(r.headerText, "Q-7310_V1.00Data");
      EXPECT_EQ(r.format, 1);
    }
    offset += 4 + lengths[i];
  }
}

TEST(InspectBackup, NonPrintableHeaderTextIsShownAsDots) {
  Bytes section(27, 'A');
  section[3] = 0x01;
  section[16] = 0;
  for (int i = 0; i < 9; ++i) section[18 + i] = 5;  // every slot type 5 ...
  section[18] = 3;                                  // ... but slot 0 type 3
  Bytes file;
  AppendRecord(file, 0, section);
  const BackupFileInfo info = InspectBackupBytes(file);
  ASSERT_EQ(info.records.size(), 1u);
  EXPECT_EQ(info.records[0].headerText, "AAA.AAAAAAAAAAAA");
}

struct ProblemCase {
  const char* name;
  Bytes bytes;
  BackupFileProblem problem;
  uint32_t offset;
  size_t goodRecords;
};

Bytes TwoRecordsSecondCut() {
  Bytes b;
  AppendRecord(b, 0, Bytes(10, 1));
  AppendRecord(b, 1, Bytes(20, 2));
  b.pop_back();
  return b;
}

Bytes RecordThenTwoBytes() {
  Bytes b;
  AppendRecord(b, 0, Bytes(10, 1));
  b.push_back(0);
  b.push_back(1);
  return b;
}

class InspectProblem : public ::testing::TestWithParam<ProblemCase> {};

TEST_P(InspectProblem, IsReportedWithItsOffset) {
  const ProblemCase& c = GetParam();
  TempFolder dir;
  WriteFile(dir.File("BACKUP.BIN"), c.bytes);
  const BackupFileInfo info = InspectBackupFile(dir.File("BACKUP.BIN"));
  EXPECT_EQ(info.problem, c.problem);
  EXPECT_EQ(info.problemOffset, c.offset);
  EXPECT_EQ(info.records.size(), c.goodRecords);
  EXPECT_FALSE(DescribeProblem(info).empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, InspectProblem,
    ::testing::Values(
        ProblemCase{"Empty", {}, BackupFileProblem::kEmpty, 0, 0},
        ProblemCase{"DataCut", TwoRecordsSecondCut(), BackupFileProblem::kRecordPastEnd, 14, 1},
        ProblemCase{"HeaderCut", RecordThenTwoBytes(), BackupFileProblem::kRecordPastEnd, 14, 1},
        ProblemCase{"TooLarge", Bytes(CSettingsBackup::kBufferSize + 1, 0),
                    BackupFileProblem::kTooLarge, 0, 0}),
    [](const ::testing::TestParamInfo<ProblemCase>& info) { return info.param.name; });

TEST(InspectBackup, RecordPastEndIsDescribedWithItsOffset) {
  const BackupFileInfo info = InspectBackupBytes(TwoRecordsSecondCut());
  EXPECT_NE(DescribeProblem(info).find("offset 0xE runs past the end"), std::string::npos)
      << DescribeProblem(info);
}

struct CoverageCase {
  const char* name;
  std::vector<uint16_t> slots;  // one record per entry, in this order
  std::string description;
};

TEST(InspectBackup, SlotsOtherThanZeroToEightOnceEachAreNamed) {
  const std::vector<CoverageCase> cases = {
      {"complete", {0, 1, 2, 3, 4, 5, 6, 7, 8}, "holds the slots 0 to 8 once each"},
      {"complete in another order",
       {8, 7, 6, 5, 4, 3, 2, 1, 0},
       "holds the slots 0 to 8 once each"},
      {"one missing", {0, 1, 2, 3, 5, 6, 7, 8}, "is incomplete: slot 4 missing"},
      {"first only", {0}, "is incomplete: slots 1, 2, 3, 4, 5, 6, 7, 8 missing"},
      {"one repeated in place of another",
       {0, 1, 2, 2, 4, 5, 6, 7, 8},
       "is incomplete: slot 3 missing; slot 2 repeated"},
      {"repeated and extra",
       {0, 1, 2, 3, 4, 5, 6, 7, 8, 0, 8, 8, 12, 9, 12},
       "is incomplete: slots 0, 8 repeated; slots 9, 12 not among the slots 0 to 8"},
  };
  for (const CoverageCase& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes file;
    for (uint16_t slot : c.slots) AppendRecord(file, slot, Bytes(3, 7));
    const BackupFileInfo info = InspectBackupBytes(file);
    ASSERT_EQ(info.problem, BackupFileProblem::kNone);
    const SlotCoverage coverage = CoverSlots(info.records);
    EXPECT_EQ(coverage.Complete(), c.description.rfind("holds", 0) == 0);
    EXPECT_EQ(DescribeCoverage(coverage), c.description);
  }
}

TEST(InspectBackup, CheckWalksLikeInspectWithoutTheListing) {
  for (const Bytes& bytes : {ConvertedSample(0), TwoRecordsSecondCut(), RecordThenTwoBytes()}) {
    const BackupFileInfo inspected = InspectBackupBytes(bytes);
    const BackupFileInfo checked = CheckBackupBytes(bytes);
    EXPECT_EQ(checked.problem, inspected.problem);
    EXPECT_EQ(checked.problemOffset, inspected.problemOffset);
    EXPECT_EQ(checked.fileSize, inspected.fileSize);
    EXPECT_TRUE(checked.records.empty());
  }
}

TEST(InspectBackup, MissingFileCannotBeOpened) {
  TempFolder dir;
  EXPECT_EQ(InspectBackupFile(dir.File("none.bin")).problem, BackupFileProblem::kCannotOpen);
  EXPECT_EQ(InspectBackupFile(dir.Path().string()).problem, BackupFileProblem::kCannotOpen);
}

}  // namespace
}  // namespace q7310
