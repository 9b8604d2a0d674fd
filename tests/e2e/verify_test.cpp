// Verify against the real simulated amplifier: the settings read back after a restore compared
// with the file that was restored.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/texts.h"
#include "e2e_fixture.h"

namespace q7310 {
namespace {

namespace fs = std::filesystem;
using testing::Bytes;
using testing::MessageLine;
using testing::ReadFile;
using Verify = testing::EndToEnd;

TEST_F(Verify, PassesAfterAGoodRestoreAndChangesNothing) {
  const std::string device = StartSim();
  ASSERT_EQ(RunTool(device, {"backup", "update", "restore", "verify"}), 0)
      << tool->Stdout() << tool->Stderr();
  const Bytes backup = ReadFile(dir / "app" / "BACKUP.BIN");
  EXPECT_EQ(StopSim(), 0) << sim->Stderr();
  EXPECT_NE(tool->Stdout().find(MessageLine(texts::kCaptionComplete, texts::kMsgVerifyEqual)),
            std::string::npos)
      << tool->Stdout();
  EXPECT_NE(tool->Stdout().find("all 9 slots equal"), std::string::npos) << tool->Stdout();
  // Reading back wrote nothing: BACKUP.BIN is still the backup, and one dated copy exists.
  EXPECT_EQ(backup, ExpectedBackup());
  EXPECT_EQ(std::distance(fs::directory_iterator(dir / "app" / "backups"), {}), 1);
}

TEST_F(Verify, AStoredFaultIsFoundWithItsSlotAndOffset) {
  const std::string device = StartSim({"--store-fault", "3:17"});
  EXPECT_EQ(RunTool(device, {"backup", "update", "restore", "verify"}), 1);
  StopSim();
  const std::string out = tool->Stdout() + tool->Stderr();
  EXPECT_NE(out.find(MessageLine(texts::kCaptionError, texts::kMsgVerifyDiffer)), std::string::npos)
      << out;
  EXPECT_NE(out.find("slot 3: differs at offset 17"), std::string::npos) << out;
  // The restore itself went through: what the amplifier received is the backup.
  EXPECT_EQ(ReadFile(dir / "restore.out"), ReadFile(dir / "app" / "BACKUP.BIN"));
}

TEST_F(Verify, ComparesWithASavedCopyAndWithTheFileRestored) {
  const std::string device = StartSim();
  ASSERT_EQ(RunTool(device, {"backup"}, {}), 0) << tool->Stdout() << tool->Stderr();
  std::vector<fs::path> copies;
  for (const auto& e : fs::directory_iterator(dir / "app" / "backups")) copies.push_back(e.path());
  ASSERT_EQ(copies.size(), 1u);
  // Restored from the copy in one run, verified in the next against the same copy.
  ASSERT_EQ(RunTool(device, {"restore", "--from", copies[0].string(), "verify"}, {}), 0)
      << tool->Stdout() << tool->Stderr();
  EXPECT_NE(tool->Stdout().find("compared with " + copies[0].string()), std::string::npos)
      << tool->Stdout();
  ASSERT_EQ(RunTool(device, {"verify", "--from", copies[0].string()}, {}), 0)
      << tool->Stdout() << tool->Stderr();
  StopSim();
}

TEST_F(Verify, NoReplyGivesUpAndWritesNothing) {
  // A backup from one amplifier, then a verify against one that never answers.
  const std::string device = StartSim();
  ASSERT_EQ(RunTool(device, {"backup"}), 0) << tool->Stdout() << tool->Stderr();
  StopSim();
  const Bytes backup = ReadFile(dir / "app" / "BACKUP.BIN");
  const std::string silent = StartSim({"--stop-after", "0"});
  EXPECT_EQ(RunTool(silent, {"verify"}, {"--keep-files", "--reply-timeout", "100"}), 1);
  StopSim();
  EXPECT_NE(tool->Stderr().find(MessageLine(texts::kCaptionError, texts::kMsgNoReply)),
            std::string::npos)
      << tool->Stderr();
  EXPECT_EQ(ReadFile(dir / "app" / "BACKUP.BIN"), backup);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir / "app" / "backups"), {}), 1);
}

TEST_F(Verify, ADamagedFileIsRefusedBeforeAnythingIsSent) {
  const std::string device = StartSim();
  const Bytes cut = {0x00, 0x01, 0x00, 0x10, 0xAA};
  std::ofstream(dir / "cut.bin", std::ios::binary)
      .write(reinterpret_cast<const char*>(cut.data()), static_cast<std::streamsize>(cut.size()));
  EXPECT_EQ(RunTool(device, {"verify", "--from", (dir / "cut.bin").string()}), 1);
  EXPECT_EQ(StopSim(), 0) << sim->Stderr();
  EXPECT_NE(tool->Stderr().find(MessageLine(texts::kCaptionError, texts::kMsgBackupFileFailed)),
            std::string::npos)
      << tool->Stderr();
  EXPECT_NE(sim->Stderr().find("requests: 0 "), std::string::npos) << sim->Stderr();
}

}  // namespace
}  // namespace q7310
