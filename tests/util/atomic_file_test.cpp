// The safe file write with its flush and rename made to fail: the call reports the failure, the
// earlier file stays as it was, and no temporary file is left. And the flush comes first.
#include "util/atomic_file.h"

#include <gtest/gtest.h>
#include <stdio.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/files.h"
#include "support/temp_folder.h"

namespace q7310 {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

using testing::ReadText;

class AtomicFileTest : public ::testing::Test {
 protected:
  // Every name in the folder except the target's.
  std::vector<std::string> Strays() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) {
      if (e.path() != target) names.push_back(e.path().filename().string());
    }
    return names;
  }

  testing::TempFolder scratch{"q7310-atomic"};
  const fs::path dir = scratch.Path();
  const fs::path target = dir / "BACKUP.BIN";
  const Bytes fresh = {'n', 'e', 'w', ' ', 'd', 'a', 't', 'a'};
};

TEST_F(AtomicFileTest, FailedFlushOrRenameKeepsTheEarlierFileAndLeavesNothing) {
  const auto failWith = [](int err) {
    return [err](auto...) {
      errno = err;
      return -1;
    };
  };
  struct Case {
    const char* name;
    FileSyncCalls calls;
  };
  const std::vector<Case> cases = {
      {"flush fails", {failWith(EIO), {}}},
      {"rename fails", {{}, failWith(EXDEV)}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    for (const bool earlier : {true, false}) {
      SCOPED_TRACE(earlier ? "over an earlier file" : "no earlier file");
      fs::remove(target);
      if (earlier) std::ofstream(target) << "old";
      std::string error;
      EXPECT_FALSE(WriteFileAtomically(target.string(), fresh, &error, c.calls));
      EXPECT_FALSE(error.empty());
      if (earlier) {
        EXPECT_EQ(ReadText(target), "old");
      } else {
        EXPECT_FALSE(fs::exists(target));
      }
      EXPECT_TRUE(Strays().empty()) << Strays().front();
    }
  }
}

TEST_F(AtomicFileTest, FlushComesBeforeTheRenameAndTheTargetChangesOnlyAtTheRename) {
  std::ofstream(target) << "old";
  std::vector<std::string> order;
  FileSyncCalls calls;
  calls.fsync = [&](int fd) {
    order.push_back("flush");
    // While the new bytes are flushed the target still holds the earlier file, whole.
    EXPECT_EQ(ReadText(target), "old");
    return ::fsync(fd);
  };
  calls.rename = [&](const char* from, const char* to) {
    order.push_back("rename");
    EXPECT_EQ(ReadText(from), std::string(fresh.begin(), fresh.end()));
    return ::rename(from, to);
  };
  std::string error;
  ASSERT_TRUE(WriteFileAtomically(target.string(), fresh, &error, calls)) << error;
  EXPECT_EQ(order, (std::vector<std::string>{"flush", "rename"}));
  EXPECT_EQ(ReadText(target), std::string(fresh.begin(), fresh.end()));
  EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                fs::perms::others_read);
  EXPECT_TRUE(Strays().empty());
}

TEST_F(AtomicFileTest, MoveIntoPlaceNeverReplacesAFile) {
  std::ofstream(target) << "old";
  std::string error;
  const std::string tmp = WriteTemporaryFile(target.string(), fresh, &error);
  ASSERT_FALSE(tmp.empty()) << error;
  EXPECT_TRUE(IsTemporaryFileName(fs::path(tmp).filename().string()));
  EXPECT_EQ(MoveIntoPlaceWithoutReplacing(tmp, target.string()), MoveResult::kNameTaken);
  EXPECT_EQ(ReadText(target), "old");
  EXPECT_TRUE(fs::exists(tmp));
  std::string reason;
  EXPECT_EQ(MoveIntoPlaceWithoutReplacing(tmp, (dir / "missing" / "BACKUP.BIN").string(), &reason),
            MoveResult::kFailed);
  EXPECT_EQ(reason, std::strerror(ENOENT));
  EXPECT_TRUE(fs::exists(tmp));
  const fs::path other = dir / "BACKUP-2.BIN";
  EXPECT_EQ(MoveIntoPlaceWithoutReplacing(tmp, other.string()), MoveResult::kMoved);
  EXPECT_EQ(ReadText(other), std::string(fresh.begin(), fresh.end()));
  EXPECT_FALSE(fs::exists(tmp));
}

TEST(TemporaryFileName, OnlyTheWritersOwnNames) {
  EXPECT_TRUE(IsTemporaryFileName("BACKUP.BIN.tmp-a1B2c3"));
  EXPECT_TRUE(IsTemporaryFileName("BACKUP-20261207-104817.BIN.tmp-XyZ123"));
  EXPECT_FALSE(IsTemporaryFileName("BACKUP.BIN"));
  EXPECT_FALSE(IsTemporaryFileName(".tmp-a1B2c3"));
  EXPECT_FALSE(IsTemporaryFileName("notes.tmp-of-yesterday"));
}

}  // namespace
}  // namespace q7310
