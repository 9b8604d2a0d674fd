// Ctrl-C, SIGTERM and SIGHUP end a run of the real q7310 as Cancel does, at any point: in the
// middle of an operation, while the firmware file loads (before anything is sent), while the
// tool waits for Enter, and while `q7310 image` loads. The run then ends with its clean-up: the
// files it wrote are deleted as after any other run, no temporary file stays, exit status 1.
// Real signals against the real tool and simulator.
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "app/texts.h"
#include "faults/fault_fixture.h"
#include "support/pty_peer.h"

namespace q7310 {
namespace {

namespace fs = std::filesystem;
using testing::Bytes;
using testing::FaultTest;
using testing::ReadFile;
using testing::WriteFile;

using Signals = FaultTest;

constexpr int kEndWithinMs = 10000;   // a cancelled run ends well within this
constexpr int kStepWithinMs = 20000;  // for the tool to reach the point of the signal
const Bytes kEarlierImage = {'e', 'a', 'r', 'l', 'i', 'e', 'r'};

struct Ending {
  int signal;
  const char* name;
};
constexpr Ending kEndings[] = {{SIGINT, "SIGINT"}, {SIGTERM, "SIGTERM"}, {SIGHUP, "SIGHUP"}};

bool HasTemporaries(const fs::path& folder) {
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    if (entry.path().filename().string().find(".tmp-") != std::string::npos) return true;
  }
  return false;
}

// The options that make strace hold every read of `file` for half a second, so that a load of it
// lasts long enough to be interrupted; the signal must then go to strace's child, the tool.
std::vector<std::string> SlowReadsOf(const fs::path& file) {
  return testing::UnderStrace({"-P", file.string(), "-e", "inject=read:delay_exit=500000"});
}

// Waits until the process `pid` has `file` open (the load has begun); false after a while.
bool WaitUntilOpen(pid_t pid, const fs::path& file) {
  const fs::path descriptors = fs::path("/proc") / std::to_string(pid) / "fd";
  for (int tries = 0; tries < 2000; ++tries) {
    std::error_code ec;
    for (fs::directory_iterator it(descriptors, ec), end; !ec && it != end; it.increment(ec)) {
      std::error_code notAFile;  // a pipe or a terminal
      if (fs::equivalent(it->path(), file, notAFile)) return true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

TEST_F(Signals, EndAnOperationAsCancelAndDeleteTheFilesTheRunWrote) {
  keepFiles = false;
  for (const Ending& ending : kEndings) {
    SCOPED_TRACE(ending.name);
    const fs::path folder = dir / ending.name;
    fs::create_directories(folder);
    fs::copy_file(app / texts::kFirmwareFile, folder / texts::kFirmwareFile);
    // Slow enough replies that the update is still under way when the signal comes.
    const std::string device = StartSim({"--delay-ms", "5"});
    tool = StartTool(device, folder, {"backup", "update", "restore"}, {"--json"});
    ASSERT_TRUE(WaitForLine(*tool, "\"name\":\"update\"", kStepWithinMs)) << ToolOutput();
    ASSERT_TRUE(WaitForLine(*tool, "transmitted", kStepWithinMs)) << ToolOutput();
    tool->Signal(ending.signal);
    EXPECT_EQ(tool->Wait(kEndWithinMs), 1) << ToolOutput();
    StopSim();
    EXPECT_NE(tool->Stdout().find("{\"type\":\"result\",\"name\":\"update\",\"ok\":false}"),
              std::string::npos)
        << ToolOutput();
    EXPECT_EQ(tool->Stdout().find("\"name\":\"restore\""), std::string::npos) << ToolOutput();
    // The end-of-run rules: BACKUP.BIN and UPDATE.BIN of this run go, the dated copy stays.
    EXPECT_FALSE(fs::exists(folder / texts::kBackupFile));
    EXPECT_FALSE(fs::exists(folder / texts::kUpdateFile));
    EXPECT_FALSE(HasTemporaries(folder));
    EXPECT_EQ(Names(folder / "backups").size(), 1u);
  }
}

TEST_F(Signals, EndAFirmwareLoadBeforeAnythingIsSent) {
  if (testing::StracePath().empty())
    GTEST_SKIP() << "strace is not installed (tools/setup installs it)";
  keepFiles = false;
  WriteFile(app / texts::kUpdateFile, kEarlierImage);
  for (const Ending& ending : {kEndings[0], kEndings[1]}) {
    SCOPED_TRACE(ending.name);
    const std::string device = StartSim();
    wrapper = SlowReadsOf(app / texts::kFirmwareFile);
    tool = StartTool(device, app, {"update"});
    const pid_t q7310 = ToolUnder(tool->Pid(), kStepWithinMs);
    ASSERT_NE(q7310, 0);
    ASSERT_TRUE(WaitUntilOpen(q7310, app / texts::kFirmwareFile)) << ToolOutput();
    ::kill(q7310, ending.signal);
    EXPECT_EQ(tool->Wait(kEndWithinMs), 1) << ToolOutput();
    StopSim();
    EXPECT_NE(tool->Stderr().find(std::string(texts::kCancelled) + "\n"), std::string::npos)
        << ToolOutput();
    EXPECT_TRUE(ToolShowedError(texts::kMsgMotReadFailed)) << ToolOutput();
    EXPECT_NE(tool->Stderr().find("  detail: the load was cancelled\n"), std::string::npos)
        << ToolOutput();
    EXPECT_NE(sim->Stderr().find("requests: 0 "), std::string::npos) << sim->Stderr();
    // The load stopped before it staged anything: the earlier UPDATE.BIN is as it was.
    EXPECT_EQ(ReadFile(app / texts::kUpdateFile), kEarlierImage);
    EXPECT_FALSE(HasTemporaries(app));
  }
}

TEST_F(Signals, EndTheWaitForEnter) {
  testing::PtyPeer terminal;
  const std::string device = StartSim();
  tool = std::make_unique<testing::Process>(
      std::vector<std::string>{Q7310_CLI_PATH, "--device", device, "--dir", app.string(), "backup"},
      terminal.SlaveFd());
  ASSERT_TRUE(WaitForLine(*tool, texts::kCliPressEnter, kStepWithinMs)) << ToolOutput();
  tool->Signal(SIGHUP);
  EXPECT_EQ(tool->Wait(kEndWithinMs), 1) << ToolOutput();
  StopSim();
  EXPECT_NE(tool->Stderr().find(std::string(texts::kCancelled) + "\n"), std::string::npos)
      << ToolOutput();
  EXPECT_NE(sim->Stderr().find("requests: 0 "), std::string::npos) << sim->Stderr();
}

TEST_F(Signals, EndAnImageCheckAndRemoveItsTemporaryFile) {
  if (testing::StracePath().empty()) {
    GTEST_SKIP() << "strace is not installed (tools/setup installs it)";
  }
  // The image is staged beside the file named, under a temporary name, until the load is done.
  const fs::path out = dir / "out";
  fs::create_directories(out);
  wrapper = SlowReadsOf(app / texts::kFirmwareFile);
  tool = std::make_unique<testing::Process>([&] {
    std::vector<std::string> args = wrapper;
    args.insert(args.end(), {Q7310_CLI_PATH, "image", (app / texts::kFirmwareFile).string(),
                             "--stage", (out / "staged.bin").string()});
    return args;
  }());
  const pid_t q7310 = ToolUnder(tool->Pid(), kStepWithinMs);
  ASSERT_NE(q7310, 0);
  ASSERT_TRUE(WaitUntilOpen(q7310, app / texts::kFirmwareFile)) << ToolOutput();
  ASSERT_FALSE(Names(out).empty()) << ToolOutput();
  ::kill(q7310, SIGTERM);
  EXPECT_EQ(tool->Wait(kEndWithinMs), 1) << ToolOutput();
  EXPECT_NE(tool->Stderr().find(std::string(texts::kCancelled) + "\n"), std::string::npos)
      << ToolOutput();
  EXPECT_TRUE(Names(out).empty());
}

}  // namespace
}  // namespace q7310
