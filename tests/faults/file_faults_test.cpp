// File faults, end to end: folders that cannot be written, a full disk, BACKUP.BIN that is not
// a file or too large, UPDATE.BIN changed under a running update. Each ends with its message,
// and a good BACKUP.BIN written earlier stays byte for byte as it was.
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/texts.h"
#include "faults/fault_fixture.h"
#include "util/folder_lock.h"

namespace q7310 {
namespace {

namespace fs = std::filesystem;
using testing::Bytes;
using testing::FaultTest;
using testing::ReadFile;
using testing::SmallTmpfs;
using testing::WriteFile;

// A tmpfs that holds the firmware file and one BACKUP.BIN, but not a second copy of it beside
// the first: a new backup's temporary file runs out of space.
constexpr size_t kSmallDiskSlack = 16 * 1024;
// Larger than the backup store's 320 KiB buffer.
constexpr size_t kHugeBackupBytes = 1024 * 1024;
// The first progress line of a transfer comes within this.
constexpr int kProgressTimeoutMs = 20000;

using FileFaults = FaultTest;

// Runs a shell command; true when it exited with status 0.
bool Shell(const std::string& command) {
  return std::system(command.c_str()) == 0;
}

TEST_F(FileFaults, FolderBelowARegularFileCannotTakeTheBackup) {
  // Root ignores permission bits, but not a path through a regular file.
  WriteFile(dir / "plain-file", {1, 2, 3});
  const fs::path unwritable = dir / "plain-file" / "app";
  const std::string device = StartSim();
  EXPECT_EQ(RunTool(device, unwritable, {"backup"}), 1) << ToolOutput();
  // Said before the amplifier is read, with the reason.
  EXPECT_TRUE(ToolShowedError(texts::kMsgFolderUnusable)) << ToolOutput();
  EXPECT_NE(tool->Stderr().find("detail: " + unwritable.string() + ": Not a directory"),
            std::string::npos)
      << ToolOutput();
  StopSim();
  EXPECT_EQ(ReadFile(dir / "plain-file"), Bytes({1, 2, 3}));
}

TEST_F(FileFaults, ReadOnlyFolderKeepsTheEarlierBackup) {
  const Bytes good = MakeGoodBackup(app);
  // A read-only bind mount of the folder: writes fail with EROFS even for root.
  const fs::path view = dir / "read-only-view";
  fs::create_directories(view);
  const std::string bind = "mount --bind '" + app.string() + "' '" + view.string() +
                           "' 2>/dev/null && mount -o remount,bind,ro '" + view.string() +
                           "' 2>/dev/null";
  if (!Shell(bind)) {
    Shell("umount '" + view.string() + "' 2>/dev/null");
    GTEST_SKIP() << "read-only bind mounts are not allowed here (needs root and mount)";
  }
  const std::string device = StartSim();
  const int status = RunTool(device, view, {"backup"});
  StopSim();
  EXPECT_TRUE(Shell("umount '" + view.string() + "'"));
  EXPECT_EQ(status, 1) << ToolOutput();
  EXPECT_TRUE(ToolShowedError(texts::kMsgFolderUnusable)) << ToolOutput();
  EXPECT_NE(tool->Stderr().find("Read-only file system"), std::string::npos) << ToolOutput();
  EXPECT_EQ(ReadFile(app / texts::kBackupFile), good);
}

TEST_F(FileFaults, FullDiskKeepsTheEarlierBackup) {
  const Bytes good = MakeGoodBackup(dir / "probe");
  const size_t firmwareBytes = fs::file_size(app / texts::kFirmwareFile);
  SmallTmpfs disk(dir / "disk", firmwareBytes + good.size() + kSmallDiskSlack);
  if (!disk.Mounted()) GTEST_SKIP() << "cannot mount a small tmpfs: " << disk.Why();
  fs::copy_file(app / texts::kFirmwareFile, disk.Path() / texts::kFirmwareFile);
  WriteFile(disk.Path() / texts::kBackupFile, good);

  const std::string device = StartSim();
  // The backup's temporary file does not fit beside the old one; the update's staged image
  // does not fit either.
  EXPECT_EQ(RunTool(device, disk.Path(), {"backup"}), 1) << ToolOutput();
  EXPECT_TRUE(ToolShowedError(texts::kMsgConvertFailed)) << ToolOutput();
  // The detail gives the system's reason.
  EXPECT_NE(ToolOutput().find(std::string(texts::kBackupFile) + ": " + std::strerror(ENOSPC)),
            std::string::npos)
      << ToolOutput();
  EXPECT_EQ(ReadFile(disk.Path() / texts::kBackupFile), good);

  EXPECT_EQ(RunTool(device, disk.Path(), {"update"}), 1) << ToolOutput();
  EXPECT_TRUE(ToolShowedError(texts::kMsgMotReadFailed)) << ToolOutput();
  EXPECT_EQ(ReadFile(disk.Path() / texts::kBackupFile), good);
  EXPECT_FALSE(fs::exists(dir / "image.out"));  // nothing was sent
  StopSim();
  // No temporary file is left behind to fill the disk further.
  for (const auto& e : fs::recursive_directory_iterator(disk.Path())) {
    if (!e.is_regular_file()) continue;
    const std::string name = e.path().filename().string();
    EXPECT_TRUE(name == texts::kFirmwareFile || name == texts::kBackupFile ||
                name == kFolderLockFile)
        << e.path();
  }
}

TEST_F(FileFaults, BackupFileThatIsADirectory) {
  fs::create_directories(app / texts::kBackupFile / "inside");
  const std::string device = StartSim();
  EXPECT_EQ(RunTool(device, app, {"restore"}), 1) << ToolOutput();
  EXPECT_TRUE(ToolShowedError(texts::kMsgBackupFileFailed)) << ToolOutput();
  // A backup cannot rename its file over a directory that is not empty.
  EXPECT_EQ(RunTool(device, app, {"backup"}), 1) << ToolOutput();
  EXPECT_TRUE(ToolShowedError(texts::kMsgConvertFailed)) << ToolOutput();
  StopSim();
  EXPECT_TRUE(fs::is_directory(app / texts::kBackupFile / "inside"));
}

TEST_F(FileFaults, HugeBackupFileIsRefusedWithoutSendingIt) {
  WriteFile(app / texts::kBackupFile, Bytes(kHugeBackupBytes, 0x5A));
  const std::string device = StartSim({"--restore-out", (dir / "restore.out").string()});
  EXPECT_EQ(RunTool(device, app, {"restore"}), 1) << ToolOutput();
  EXPECT_TRUE(ToolShowedError(texts::kMsgBackupFileFailed)) << ToolOutput();
  StopSim();
  EXPECT_TRUE(ReadFile(dir / "restore.out").empty());
  EXPECT_EQ(fs::file_size(app / texts::kBackupFile), kHugeBackupBytes);
}

TEST_F(FileFaults, UpdateFileCutShortDuringTheTransfer) {
  const Bytes good = MakeGoodBackup(app);
  // Paced at the real line speed, the transfer takes seconds: time to cut the staged image.
  const std::string device = StartSim({"--pace"});
  tool = StartTool(device, app, {"update"});
  ASSERT_TRUE(WaitForLine(*tool, "transmitted", kProgressTimeoutMs)) << ToolOutput();
  fs::resize_file(app / texts::kUpdateFile, 1024);
  EXPECT_EQ(tool->Wait(60000), 1) << ToolOutput();
  EXPECT_TRUE(ToolShowedError(texts::kMsgUpdateFileFailed)) << ToolOutput();
  StopSim();
  EXPECT_EQ(ReadFile(app / texts::kBackupFile), good);
}

}  // namespace
}  // namespace q7310
