// The working folder: which paths are the program's own files (a trace may not be written over
// them), and the clean-up of temporary files that a killed run left.
#include "app/work_folder.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/file_checks.h"
#include "app/texts.h"
#include "backup/backup_history.h"
#include "support/temp_folder.h"

namespace q7310 {
namespace {

namespace fs = std::filesystem;

class WorkFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(folder / kHistoryFolder);
    fs::create_directories(root / "elsewhere");
    std::ofstream(folder / texts::kFirmwareFile) << "S0";
    std::ofstream(folder / texts::kBackupFile) << "backup";
  }

  bool Own(const fs::path& path) const { return IsProgramFile(folder.string(), path.string()); }

  testing::TempFolder scratch{"q7310-folder"};
  const fs::path root = scratch.Path();
  const fs::path folder = root / "app";
};

TEST_F(WorkFolderTest, TheProgramsOwnFilesUnderAnySpelling) {
  EXPECT_TRUE(Own(folder / texts::kFirmwareFile));
  EXPECT_TRUE(Own(folder / texts::kBackupFile));
  EXPECT_TRUE(Own(folder / texts::kUpdateFile));  // not there yet, still the program's
  EXPECT_TRUE(Own(folder / kFolderLockFile));
  EXPECT_TRUE(Own(folder / kHistoryFolder / "BACKUP-20261207-104817.BIN"));
  EXPECT_TRUE(Own(folder / kHistoryFolder / "notes.txt"));
  EXPECT_TRUE(Own(root / "elsewhere" / ".." / "app" / "." / texts::kBackupFile));

  // A link to one of them, and a hard link to one.
  fs::create_symlink(folder / texts::kBackupFile, root / "elsewhere" / "link.txt");
  EXPECT_TRUE(Own(root / "elsewhere" / "link.txt"));
  fs::create_symlink(folder / kHistoryFolder, root / "elsewhere" / "history");
  EXPECT_TRUE(Own(root / "elsewhere" / "history" / "new.txt"));
  fs::create_hard_link(folder / texts::kFirmwareFile, root / "elsewhere" / "hard.txt");
  EXPECT_TRUE(Own(root / "elsewhere" / "hard.txt"));

  EXPECT_FALSE(Own(folder / "trace.txt"));
  EXPECT_FALSE(Own(root / "elsewhere" / texts::kBackupFile));
  EXPECT_FALSE(Own(root / "backups-2" / "x.txt"));
}

TEST_F(WorkFolderTest, TheProgramsOwnFilesByIdentity) {
  // A hard link outside the folder to a dated copy, and to a file in a folder under backups/.
  const fs::path dated = folder / kHistoryFolder / "BACKUP-20261207-104817.BIN";
  std::ofstream(dated) << "settings";
  fs::create_directories(folder / kHistoryFolder / "old");
  std::ofstream(folder / kHistoryFolder / "old" / "BACKUP-20250101-000000.BIN") << "older";
  fs::create_hard_link(dated, root / "elsewhere" / "copy.txt");
  fs::create_hard_link(folder / kHistoryFolder / "old" / "BACKUP-20250101-000000.BIN",
                       root / "elsewhere" / "older.txt");
  fs::create_hard_link(folder / texts::kBackupFile, root / "elsewhere" / "backup.txt");
  EXPECT_TRUE(Own(root / "elsewhere" / "copy.txt"));
  EXPECT_TRUE(Own(root / "elsewhere" / "older.txt"));
  EXPECT_TRUE(Own(root / "elsewhere" / "backup.txt"));
  // Files of their own stay free, also when their contents are the same.
  std::ofstream(root / "elsewhere" / "same.txt") << "settings";
  EXPECT_FALSE(Own(root / "elsewhere" / "same.txt"));
  EXPECT_FALSE(Own(root / "elsewhere" / "new.txt"));
  // The folder itself reached by another way: `..` through a sibling.
  EXPECT_TRUE(Own(root / "elsewhere" / ".." / "app" / kHistoryFolder / "new.txt"));
}

TEST_F(WorkFolderTest, FilesOfAFolderWithoutHistoryYet) {
  fs::remove_all(folder / kHistoryFolder);
  EXPECT_TRUE(Own(folder / kHistoryFolder / "BACKUP-20261207-104817.BIN"));
  EXPECT_TRUE(Own(folder / texts::kUpdateFile));
  EXPECT_FALSE(Own(folder / "trace.txt"));
  EXPECT_FALSE(Own(root / "elsewhere" / kHistoryFolder / "x.txt"));
}

TEST_F(WorkFolderTest, LeftTemporariesAreRemovedAndNothingElse) {
  const fs::path history = folder / kHistoryFolder;
  // The write check's scratch files count in the folder only, never under backups/, and only
  // by their exact form (".q7310.lock" and ".q7310-notes" are no scratch files).
  const fs::path keep[] = {
      folder / texts::kBackupFile,       history / "BACKUP-20261207-104817.BIN",
      folder / "notes.tmp-of-yesterday", folder / kFolderLockFile,
      folder / ".q7310-notes",           folder / ".q7310-a1.B2c",
      history / ".q7310-a1B2c3"};
  const fs::path left[] = {folder / "BACKUP.BIN.tmp-a1B2c3",
                           history / "BACKUP-20261207-104817.BIN.tmp-XyZ123",
                           folder / ".q7310-Zz09aQ"};
  for (const auto& p : keep) std::ofstream(p) << "k";
  for (const auto& p : left) std::ofstream(p) << "partial";

  std::vector<std::string> removed = RemoveLeftTemporaries(folder.string());
  std::sort(removed.begin(), removed.end());
  std::vector<std::string> expected = {left[0].string(), left[1].string(), left[2].string()};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(removed, expected);
  for (const auto& p : keep) EXPECT_TRUE(fs::exists(p)) << p;
  EXPECT_TRUE(LeftTemporaries(folder.string()).empty());
}

TEST_F(WorkFolderTest, ClaimCleansUpOnlyForTheHolder) {
  std::ofstream(folder / "BACKUP.BIN.tmp-a1B2c3") << "partial";
  FolderLock first;
  FolderLock second;
  // Another run holds the folder: its temporary file may be one it is writing now.
  ASSERT_EQ(first.Take(folder.string()), FolderLock::Result::kTaken);
  EXPECT_EQ(ClaimWorkFolder(folder.string(), second), FolderLock::Result::kBusy);
  EXPECT_TRUE(fs::exists(folder / "BACKUP.BIN.tmp-a1B2c3"));
  first.Release();
  EXPECT_EQ(ClaimWorkFolder(folder.string(), second), FolderLock::Result::kTaken);
  EXPECT_FALSE(fs::exists(folder / "BACKUP.BIN.tmp-a1B2c3"));
}

TEST_F(WorkFolderTest, TheWriteCheckLeavesNothingBehind) {
  const auto names = [&] {
    std::vector<std::string> found;
    for (const auto& entry : fs::directory_iterator(folder)) {
      found.push_back(entry.path().filename().string());
    }
    std::sort(found.begin(), found.end());
    return found;
  };
  const std::vector<std::string> before = names();
  EXPECT_EQ(FolderProblem(folder.string(), true), "");
  EXPECT_EQ(names(), before);
  EXPECT_NE(FolderProblem((folder / texts::kBackupFile).string(), true), "");
  EXPECT_NE(FolderProblem((folder / "missing").string(), true), "");
}

}  // namespace
}  // namespace q7310
