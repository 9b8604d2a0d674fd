// Paths the operator names for the program to write: the trace never goes over one of the
// program's files or the serial device, the staged image of `q7310 image --stage` never over a
// program file, its own input, a device, a folder or (without --force) any file.
#include "app/output_target.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/texts.h"
#include "app/work_folder.h"
#include "backup/backup_history.h"
#include "support/files.h"
#include "support/pty_peer.h"
#include "support/temp_folder.h"
#include "util/atomic_file.h"
#include "util/folder_lock.h"

namespace q7310 {
namespace {

namespace fs = std::filesystem;
using testing::ReadText;
using testing::WriteText;

class OutputTargetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(app / kHistoryFolder);
    fs::create_directories(other / kHistoryFolder);
    WriteText(app / texts::kFirmwareFile, "S0");
    WriteText(app / texts::kBackupFile, "backup");
    WriteText(dated, "dated");
    WriteText(other / texts::kBackupFile, "another folder's backup");
    WriteText(other / kHistoryFolder / "BACKUP-20250101-000000.BIN", "another copy");
    WriteText(input, "S0 of the image");
    WriteText(root / "old.bin", "an old image");
  }

  std::string Stage(const fs::path& out, bool replace = false) const {
    return StageTargetProblem({app.string()}, input.string(), out.string(), replace);
  }

  testing::TempFolder scratch{"q7310-output"};
  const fs::path root = scratch.Path();
  const fs::path app = root / "app";
  const fs::path other = root / "other";
  const fs::path dated = app / kHistoryFolder / "BACKUP-20261207-104817.BIN";
  const fs::path input = root / "firmware.mot";
};

TEST_F(OutputTargetTest, TheStagedImageNeverGoesOverAProgramFileOrItsInput) {
  fs::create_hard_link(dated, root / "linked.bin");
  fs::create_hard_link(input, root / "input-too.mot");
  fs::create_symlink(app / texts::kBackupFile, root / "soft.bin");
  const fs::path own[] = {
      app / texts::kBackupFile,
      app / texts::kFirmwareFile,
      app / texts::kUpdateFile,  // not there yet
      app / kFolderLockFile,
      dated,
      app / kHistoryFolder / "new.bin",
      root / "linked.bin",  // a hard link to a dated copy
      root / "soft.bin",    // a link to BACKUP.BIN
      // The files the program keeps in the folder of the staged image itself.
      other / texts::kBackupFile,
      other / kHistoryFolder / "BACKUP-20250101-000000.BIN",
      other / kHistoryFolder / "new.bin",
  };
  for (const fs::path& path : own) {
    for (bool replace : {false, true}) {
      EXPECT_EQ(Stage(path, replace), FormatText(texts::kFmtStageIsOwnFile, path.string()))
          << path << (replace ? " --force" : "");
    }
  }
  for (const fs::path& path : {input, root / "input-too.mot"}) {
    EXPECT_EQ(Stage(path, true), FormatText(texts::kFmtStageIsInput, path.string())) << path;
  }
}

TEST_F(OutputTargetTest, TheStagedImageIsANewFileOrReplacesOneOnlyWhenAsked) {
  const std::string notAFile = FormatText(texts::kFmtStageNotAFile, testing::kNullDevice);
  EXPECT_EQ(Stage(testing::kNullDevice, true), notAFile + "is a device, not a regular file");
  EXPECT_EQ(Stage(root, true),
            FormatText(texts::kFmtStageNotAFile, root.string()) + "is a folder, not a file");
  EXPECT_EQ(Stage(root / "old.bin"),
            FormatText(texts::kFmtStageExists, (root / "old.bin").string()));
  EXPECT_EQ(Stage(root / "old.bin", true), "");
  EXPECT_EQ(Stage(root / "new.bin"), "");
  EXPECT_EQ(Stage(root / "missing-folder" / "new.bin"), "");  // the write says why it fails
}

TEST_F(OutputTargetTest, TheStagedImageGetsItsNameWhereALinkLeads) {
  const std::vector<uint8_t> image = {0x12, 0x34, 0x56};
  const auto staged = [&](const fs::path& beside) {
    std::string error;
    const std::string tmp = WriteTemporaryFile(StagePath(beside.string()), image, &error);
    EXPECT_FALSE(tmp.empty()) << error;
    return tmp;
  };
  std::string error;
  ASSERT_TRUE(
      PlaceStagedImage(staged(root / "new.bin"), (root / "new.bin").string(), false, &error))
      << error;
  EXPECT_EQ(testing::ReadFile(root / "new.bin"), image);
  // A file that appeared after the check is not replaced without --force.
  const std::string late = staged(root / "old.bin");
  EXPECT_FALSE(PlaceStagedImage(late, (root / "old.bin").string(), false, &error));
  EXPECT_EQ(error, FormatText(texts::kFmtStageExists, (root / "old.bin").string()));
  EXPECT_EQ(ReadText(root / "old.bin"), "an old image");
  RemoveFile(late);
  // Through a link: the file it leads to gets the image, the link stays a link.
  fs::create_symlink(root / "old.bin", root / "link.bin");
  EXPECT_EQ(StagePath((root / "link.bin").string()), (root / "old.bin").string());
  ASSERT_TRUE(
      PlaceStagedImage(staged(root / "link.bin"), (root / "link.bin").string(), true, &error))
      << error;
  EXPECT_TRUE(fs::is_symlink(root / "link.bin"));
  EXPECT_EQ(testing::ReadFile(root / "old.bin"), image);
  for (const auto& entry : fs::directory_iterator(root)) {
    EXPECT_EQ(entry.path().string().find(".tmp-"), std::string::npos) << entry.path();
  }
}

TEST_F(OutputTargetTest, TheTraceNeverGoesOverAProgramFileOrTheSerialDevice) {
  testing::PtyPeer pty;
  fs::create_symlink(pty.DevicePath(), root / "adapter");
  fs::create_hard_link(dated, root / "linked.txt");
  const auto trace = [&](const fs::path& path) {
    return TraceTargetProblem(app.string(), path.string(), pty.DevicePath());
  };
  EXPECT_EQ(trace(pty.DevicePath()), FormatText(texts::kFmtTraceIsSerialDevice, pty.DevicePath()));
  EXPECT_EQ(trace(root / "adapter"),
            FormatText(texts::kFmtTraceIsSerialDevice, (root / "adapter").string()));
  EXPECT_EQ(trace(root / "linked.txt"),
            FormatText(texts::kFmtTraceIsOwnFile, (root / "linked.txt").string()));
  EXPECT_EQ(trace(dated), FormatText(texts::kFmtTraceIsOwnFile, dated.string()));
  // Another device, or a file of the operator's, is a trace like any other.
  EXPECT_EQ(trace(testing::kNullDevice), "");
  EXPECT_EQ(trace(root / "run.trace"), "");
}

}  // namespace
}  // namespace q7310
