// The folder lock: one holder at a time, and a holder that is killed leaves no stale lock.
#include "util/folder_lock.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "support/temp_folder.h"

namespace q7310 {
namespace {

namespace fs = std::filesystem;

class FolderLockTest : public ::testing::Test {
 protected:
  testing::TempFolder scratch{"q7310-lock"};
  const fs::path dir = scratch.Path();
};

TEST_F(FolderLockTest, OneHolderAtATimeUntilReleased) {
  FolderLock first;
  FolderLock second;
  ASSERT_EQ(first.Take(dir.string()), FolderLock::Result::kTaken);
  EXPECT_TRUE(first.Held());
  EXPECT_EQ(second.Take(dir.string()), FolderLock::Result::kBusy);
  EXPECT_FALSE(second.Held());
  // The same folder under another spelling is the same lock.
  EXPECT_EQ(second.Take((dir / "." / "").string()), FolderLock::Result::kBusy);
  first.Release();
  EXPECT_EQ(second.Take(dir.string()), FolderLock::Result::kTaken);
  EXPECT_TRUE(fs::exists(dir / kFolderLockFile));
}

TEST_F(FolderLockTest, AKilledHolderLeavesTheFolderFree) {
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    FolderLock lock;
    const char taken = lock.Take(dir.string()) == FolderLock::Result::kTaken ? 'y' : 'n';
    if (::write(ready[1], &taken, 1) != 1) ::_exit(2);
    ::pause();
    ::_exit(0);
  }
  ::close(ready[1]);
  char taken = 0;
  ASSERT_EQ(::read(ready[0], &taken, 1), 1);
  ::close(ready[0]);
  EXPECT_EQ(taken, 'y');

  FolderLock lock;
  EXPECT_EQ(lock.Take(dir.string()), FolderLock::Result::kBusy);
  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
  EXPECT_EQ(lock.Take(dir.string()), FolderLock::Result::kTaken);
}

TEST_F(FolderLockTest, AFolderThatCannotHoldTheLockFileIsReported) {
  FolderLock lock;
  std::string error;
  EXPECT_EQ(lock.Take((dir / "missing").string(), &error), FolderLock::Result::kFailed);
  EXPECT_NE(error.find("missing"), std::string::npos) << error;
  EXPECT_FALSE(lock.Held());
}

TEST_F(FolderLockTest, ALockFileThatIsNoFileIsReportedAtOnce) {
  // A folder in the lock file's place, and a FIFO, which must not hold the open.
  fs::create_directories(dir / "folder" / kFolderLockFile);
  fs::create_directories(dir / "fifo");
  ASSERT_EQ(::mkfifo((dir / "fifo" / kFolderLockFile).c_str(), 0600), 0);
  for (const char* name : {"folder", "fifo"}) {
    FolderLock lock;
    std::string error;
    EXPECT_EQ(lock.Take((dir / name).string(), &error), FolderLock::Result::kFailed) << name;
    EXPECT_NE(error.find((dir / name / kFolderLockFile).string()), std::string::npos) << error;
    EXPECT_FALSE(lock.Held());
  }
}

}  // namespace
}  // namespace q7310
