// The helpers behind what both desktop programs show: the port field's reading, the numbered
// texts, the question before closing with a held backup and the summary of a saved backup before
// it is restored.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "app/close_guard.h"
#include "app/numbered_format.h"
#include "app/restore_from_summary.h"
#include "app/setting_fields.h"
#include "app/settings_notes.h"
#include "app/texts.h"

namespace q7310 {
namespace {

TEST(SettingFieldsTest, ReadsPlainUnsignedDecimalsOnly) {
  EXPECT_EQ(ReadUnsignedField("1"), 1);
  EXPECT_EQ(ReadUnsignedField("0042"), 42);
  EXPECT_EQ(ReadUnsignedField("9999"), 9999);
  EXPECT_EQ(ReadUnsignedField("57600"), 57600);
  // The full 32 bits come back as they are; one more is not a number any more.
  EXPECT_EQ(static_cast<uint32_t>(ReadUnsignedField("4294967295")), 4294967295u);
  EXPECT_EQ(ReadUnsignedField("4294967296"), 0);
  for (const char* bad : {"", "+3", "-3", " 3", "3 ", "3x", "x3", "0x10", "１"}) {
    EXPECT_EQ(ReadUnsignedField(bad), 0) << bad;
  }
}

// Where both desktop programs put the additions below the port settings dialog's fields.
TEST(SettingFieldsTest, AdditionsStackBelowTheFieldsAndTheDialogGrowsToHoldThem) {
  // Nothing added: the template as it is; the device row alone: one row more.
  SettingPortsLayout layout = LayOutSettingPorts({});
  EXPECT_EQ(layout.dialogWidth, kSettingTemplateWidth);
  EXPECT_EQ(layout.dialogHeight, kSettingTemplateHeight);
  layout = LayOutSettingPorts({.device = true});
  EXPECT_EQ(layout.dialogWidth, kSettingTemplateWidth);
  EXPECT_EQ(layout.dialogHeight, kSettingTemplateHeight + kSettingDeviceRowHeight);

  // Heading, list and note one under the other, inside the dialog; below the device row.
  const SettingPortsLayout all = LayOutSettingPorts({true, true, true, true, 0});
  EXPECT_GE(all.heading.y, kSettingTemplateHeight - 7 + kSettingDeviceRowHeight);
  EXPECT_GT(all.list.y, all.heading.y + all.heading.h - 1);
  EXPECT_GT(all.note.y, all.list.y + all.list.h - 1);
  EXPECT_LE(all.note.y + all.note.h, all.dialogHeight);
  EXPECT_EQ(all.dialogWidth, kSettingTemplateWidth) << "narrow columns: the template's width";
  const SettingPortsLayout noDevice = LayOutSettingPorts({false, true, true, true, 0});
  EXPECT_EQ(all.heading.y - noDevice.heading.y, kSettingDeviceRowHeight);
  EXPECT_EQ(all.dialogHeight - noDevice.dialogHeight, kSettingDeviceRowHeight);
  // No list: the note moves up under the heading.
  const SettingPortsLayout noList = LayOutSettingPorts({false, true, false, true, 0});
  EXPECT_LT(noList.note.y, noDevice.note.y);
  EXPECT_LT(noList.dialogHeight, noDevice.dialogHeight);

  // Wide columns widen the list and the dialog, up to a limit; the heading and note go along.
  const SettingPortsLayout wide = LayOutSettingPorts({false, true, true, true, 250});
  EXPECT_GT(wide.list.w, 250);
  EXPECT_EQ(wide.heading.w, wide.list.w);
  EXPECT_EQ(wide.note.w, wide.list.w);
  EXPECT_EQ(wide.dialogWidth - wide.list.w, kSettingTemplateWidth - noDevice.list.w);
  const SettingPortsLayout widest = LayOutSettingPorts({false, true, true, false, 5000});
  EXPECT_LT(widest.dialogWidth, 400) << "a very long description is cut, not the screen's width";
  EXPECT_GE(widest.list.w, wide.list.w);
}

TEST(NumberedFormatTest, FillsEveryPlaceAndLeavesTheRest) {
  EXPECT_EQ(FormatNumbered("%1 and %2, %1 again", {"a", "b"}), "a and b, a again");
  EXPECT_EQ(FormatNumbered("%2%1", {"x", "y"}), "yx");
  // A place without an argument, a lone '%' and %0 stay; an argument's '%' is never a place.
  EXPECT_EQ(FormatNumbered("%1 %3 % %0 100%", {"%2"}), "%2 %3 % %0 100%");
  EXPECT_EQ(FormatNumbered(texts::kFmtTooManyChars, {"4"}),
            "Please enter no more than 4 characters.");
}

TEST(CloseGuardTest, AsksOnlyWhileABackupWaitsForItsRestore) {
  EXPECT_FALSE(BackupAwaitingRestore(0));
  EXPECT_FALSE(BackupAwaitingRestore(1));
  EXPECT_TRUE(BackupAwaitingRestore(2));
  EXPECT_TRUE(BackupAwaitingRestore(3));

  const std::string kept = CloseQuestion("C:\\q\\backups\\BACKUP-1.BIN", {});
  EXPECT_EQ(kept,
            "The backup held in BACKUP.BIN has not been restored yet.\n\nClosing deletes "
            "BACKUP.BIN. A dated copy stays as:\nC:\\q\\backups\\BACKUP-1.BIN\n\nClose anyway?");
  const std::string lost = CloseQuestion({}, "disk full");
  EXPECT_NE(lost.find("no dated copy of it could be kept (disk full)"), std::string::npos);
  // BACKUP.BIN is not deleted then: the question says that it stays.
  EXPECT_NE(lost.find("BACKUP.BIN stays in the working folder when the program closes"),
            std::string::npos)
      << lost;
  EXPECT_EQ(lost.find("deletes"), std::string::npos) << lost;
  EXPECT_NE(CloseQuestion({}, {}).find(std::string(texts::kReasonUnknown)), std::string::npos);
}

class RestoreFromSummaryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_folder =
        std::filesystem::temp_directory_path() /
        ("q7310-summary-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    std::filesystem::create_directories(m_folder);
  }
  void TearDown() override { std::filesystem::remove_all(m_folder); }
  std::string Write(const std::string& name, const std::string& bytes) {
    const std::filesystem::path path = m_folder / name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path.string();
  }
  std::filesystem::path m_folder;
};

TEST_F(RestoreFromSummaryTest, NamesTheDateThePathAndTheSlots) {
  // Two records: slot 0 with 2 bytes, slot 3 with 1 byte.
  const std::string path =
      Write("two.BIN", std::string("\x00\x00\x00\x02\xAA\xBB\x00\x03\x00\x01\xCC", 11));
  const std::string summary = RestoreFromSummary(path);
  const std::string saved = std::string(texts::kRestoreFromSaved) + " ";
  ASSERT_EQ(summary.rfind(saved, 0), 0u) << summary;
  // "YYYY-MM-DD HH:MM:SS" after "Saved: ".
  EXPECT_EQ(summary.find('\n'), saved.size() + 19) << summary;
  EXPECT_NE(summary.find("\n" + path + "\n"), std::string::npos) << summary;
  EXPECT_NE(summary.find("2 complete slot records (slots 0, 3), 11 bytes"), std::string::npos)
      << summary;
  // Two slots of nine: the last line names the missing ones.
  const std::string incomplete = IncompleteBackupText(path, {{1, 2, 4, 5, 6, 7, 8}, {}, {}});
  EXPECT_EQ(summary.substr(summary.rfind('\n') + 1), incomplete) << summary;

  // Nine slots once each: no line after the records.
  std::string nine;
  for (char slot = 0; slot < 9; ++slot) nine += std::string("\x00", 1) + slot + '\0' + '\x01' + 'x';
  const std::string whole = Write("nine.BIN", nine);
  const std::string wholeSummary = RestoreFromSummary(whole);
  EXPECT_EQ(wholeSummary.substr(wholeSummary.rfind('\n') + 1),
            "9 complete slot records (slots 0, 1, 2, 3, 4, 5, 6, 7, 8), 45 bytes")
      << wholeSummary;
}

TEST_F(RestoreFromSummaryTest, AddsTheProblemOfACutFile) {
  const std::string path = Write("cut.BIN", std::string("\x00\x01\x00\x08\x01\x02", 6));
  const std::string summary = RestoreFromSummary(path);
  EXPECT_NE(summary.find("0 complete slot records (slots ), 6 bytes"), std::string::npos)
      << summary;
  EXPECT_NE(summary.find("\n" + path + " "), std::string::npos) << summary;
}

}  // namespace
}  // namespace q7310
