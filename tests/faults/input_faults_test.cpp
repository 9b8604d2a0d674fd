// Inputs that are no regular files, end to end: a FIFO, a device or a folder given as the
// firmware file, BACKUP.BIN, a --from file or the file of `inspect` or `image` is refused at
// once with what it is, and nothing is sent to the amplifier. (A FIFO used to hold the run for
// ever; `image` on a link to /dev/zero read without end.)
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/texts.h"
#include "faults/fault_fixture.h"

namespace q7310 {
namespace {

namespace fs = std::filesystem;
using testing::FaultTest;

using InputFaults = FaultTest;

constexpr std::string_view kIsAFifo = "is a FIFO or pipe, not a regular file";
constexpr std::string_view kIsADevice = "is a device, not a regular file";
constexpr std::string_view kIsAFolder = "is a folder, not a file";

TEST_F(InputFaults, TheOperationsRefuseWhatIsNoRegularFile) {
  const fs::path fifo = dir / "fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  fs::create_symlink("/dev/zero", dir / "zero");
  fs::create_directories(dir / "fifos");
  ASSERT_EQ(::mkfifo((dir / "fifos" / texts::kFirmwareFile).c_str(), 0600), 0);
  ASSERT_EQ(::mkfifo((dir / "fifos" / texts::kBackupFile).c_str(), 0600), 0);
  struct Case {
    const char* what;
    std::vector<std::string> ops;
    std::string_view message;
    std::string detail;
  };
  const std::string fifos = (dir / "fifos").string();
  const Case cases[] = {
      {"the firmware file a FIFO",
       {"update"},
       texts::kMsgMotReadFailed,
       fifos + "/" + std::string(texts::kFirmwareFile) + ": " + std::string(kIsAFifo)},
      {"BACKUP.BIN a FIFO",
       {"restore"},
       texts::kMsgBackupFileFailed,
       fifos + "/" + std::string(texts::kBackupFile) + ": " + std::string(kIsAFifo)},
      {"restore --from a FIFO",
       {"restore", "--from", fifo.string()},
       texts::kMsgBackupFileFailed,
       fifo.string() + ": " + std::string(kIsAFifo)},
      {"verify --from a device",
       {"verify", "--from", (dir / "zero").string()},
       texts::kMsgBackupFileFailed,
       (dir / "zero").string() + ": " + std::string(kIsADevice)},
  };
  const std::string device = StartSim();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(RunTool(device, dir / "fifos", c.ops), 1);
    EXPECT_TRUE(ToolShowedError(c.message)) << ToolOutput();
    EXPECT_NE(tool->Stderr().find("  detail: " + c.detail), std::string::npos) << ToolOutput();
  }
  StopSim();
  EXPECT_NE(sim->Stderr().find("requests: 0 "), std::string::npos) << sim->Stderr();
}

TEST_F(InputFaults, ImageAndInspectRefuseWhatIsNoRegularFile) {
  const fs::path fifo = dir / "fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  fs::create_symlink("/dev/zero", dir / "zero");
  struct Case {
    std::vector<std::string> args;
    std::string_view reason;
  };
  const Case cases[] = {
      {{"image", fifo.string()}, kIsAFifo},
      {{"image", (dir / "zero").string()}, kIsADevice},
      {{"image", dir.string()}, kIsAFolder},
      {{"inspect", fifo.string()}, kIsAFifo},
      {{"inspect", (dir / "zero").string()}, kIsADevice},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[0] + " " + c.args[1]);
    EXPECT_EQ(RunCli(c.args), 1);
    EXPECT_NE(tool->Stderr().find(c.reason), std::string::npos) << ToolOutput();
    EXPECT_EQ(tool->Stdout(), "");
  }
}

}  // namespace
}  // namespace q7310
