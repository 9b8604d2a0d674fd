// Line faults, end to end: a line that hangs up mid-transfer, a port held by another program,
// and a port the user may not open.
#include <fcntl.h>
#include <unistd.h>

#include <string>

#include "app/texts.h"
#include "faults/fault_fixture.h"

namespace q7310 {
namespace {

namespace fs = std::filesystem;
using testing::Bytes;
using testing::FaultTest;
using testing::ReadFile;
using testing::WriteFile;

using LineFaults = FaultTest;

// The update's start request is request 1; the line goes away a few blocks later.
constexpr const char* kHangupRequest = "6";
// Each reply comes this late: the backup runs long enough for a second program to try the port,
// and still well inside the reply timer.
constexpr const char* kSlowReplyMs = "150";
// The first progress line of a backup comes within this.
constexpr int kProgressTimeoutMs = 20000;

TEST_F(LineFaults, HangUpMidTransferEndsWithNoReplyAndThePortOpensAgain) {
  const fs::path link = dir / "line";
  std::string device = StartSim({"--link", link.string(), "--hangup-after", kHangupRequest});
  ASSERT_FALSE(device.empty());
  EXPECT_EQ(RunTool(link.string(), app, {"update"}), 1) << ToolOutput();
  EXPECT_TRUE(ToolShowedError(texts::kMsgNoReply)) << ToolOutput();
  sim->Wait(10000);

  // The device is back (a new simulator behind the same path): the port opens and works.
  device = StartSim({"--link", link.string()});
  ASSERT_FALSE(device.empty());
  EXPECT_EQ(RunTool(link.string(), app, {"backup"}), 0) << ToolOutput();
  EXPECT_EQ(StopSim(), 0) << sim->Stderr();
  EXPECT_FALSE(ReadFile(app / texts::kBackupFile).empty());
}

TEST_F(LineFaults, PortHeldByAnotherProgramIsRefusedAndTheOtherRunIsUndisturbed) {
  const Bytes expected = MakeGoodBackup(dir / "reference");
  const std::string device = StartSim({"--delay-ms", kSlowReplyMs});
  auto first = StartTool(device, app, {"backup"});
  // Once the first program reports progress it holds the port.
  ASSERT_TRUE(WaitForLine(*first, "Reading", kProgressTimeoutMs)) << first->Stdout();

  fs::create_directories(dir / "second");
  EXPECT_EQ(RunTool(device, dir / "second", {"backup"}), 1) << ToolOutput();
  EXPECT_TRUE(ToolShowedError(texts::kMsgPortError)) << ToolOutput();
  EXPECT_NE(tool->Stderr().find("in use"), std::string::npos) << ToolOutput();

  EXPECT_EQ(first->Wait(60000), 0) << first->Stdout() << first->Stderr();
  StopSim();
  EXPECT_EQ(ReadFile(app / texts::kBackupFile), expected);
}

TEST_F(LineFaults, PermissionErrorNamesTheDialoutGroup) {
  if (::geteuid() == 0) {
    GTEST_SKIP() << "root opens any device; run the fault tests as a normal user to check this";
  }
  const fs::path device = dir / "ttyLOCKED";
  WriteFile(device, {});
  fs::permissions(device, fs::perms::none);
  EXPECT_EQ(RunTool(device.string(), app, {"backup"}), 1) << ToolOutput();
  EXPECT_TRUE(ToolShowedError(texts::kMsgPortError)) << ToolOutput();
  EXPECT_NE(tool->Stderr().find("dialout"), std::string::npos) << ToolOutput();
}

}  // namespace
}  // namespace q7310
