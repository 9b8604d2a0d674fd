// The real command-line tool against the real simulated amplifier, over a pseudo-terminal.
#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/texts.h"
#include "backup/settings_backup.h"
#include "support/process.h"

namespace q7310 {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;
using testing::Process;

Bytes ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(in)), {});
}

std::string Line(std::string_view caption, std::string_view text) {
  return std::string(caption) + ": " + std::string(text) + "\n";
}

class EndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() /
          ("q7310-e2e-" + std::to_string(::getpid()) + "-" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir / "app");
    fs::copy_file(fs::path(Q7310_SOURCE_DIR) / "samples" / "Q7310_v201.mot",
                  dir / "app" / "Q7310_v201.mot");
  }
  void TearDown() override {
    if (!HasFailure()) fs::remove_all(dir);
  }

  // Starts the simulator with the given extra options; returns its device path.
  std::string StartSim(std::vector<std::string> extra = {}) {
    std::vector<std::string> args = {Q7310_SIM_PATH,
                                     "--format",
                                     "1",
                                     "--seed",
                                     "11",
                                     "--save-settings",
                                     (dir / "settings.raw").string(),
                                     "--image-out",
                                     (dir / "image.out").string(),
                                     "--restore-out",
                                     (dir / "restore.out").string()};
    args.insert(args.end(), extra.begin(), extra.end());
    sim = std::make_unique<Process>(args);
    const std::string device = sim->ReadLine();
    EXPECT_FALSE(device.empty()) << sim->Stderr();
    return device;
  }

  // Runs q7310 on the simulator's device; returns its exit status.
  int RunTool(const std::string& device, std::vector<std::string> ops,
              std::vector<std::string> options = {"--keep-files", "--reply-timeout", "300"}) {
    std::vector<std::string> args = {Q7310_CLI_PATH,         "--device", device, "--dir",
                                     (dir / "app").string(), "--yes"};
    args.insert(args.end(), options.begin(), options.end());
    args.insert(args.end(), ops.begin(), ops.end());
    tool = std::make_unique<Process>(args);
    return tool->Wait(120000);
  }

  int StopSim() {
    sim->Signal(SIGTERM);
    return sim->Wait(10000);
  }

  // What BACKUP.BIN must hold: the conversion of the settings the simulator served.
  Bytes ExpectedBackup() {
    const Bytes raw = ReadFile(dir / "settings.raw");
    CSettingsBackup store;
    size_t pos = 0;
    while (pos + 4 <= raw.size()) {
      const uint16_t slot = static_cast<uint16_t>((raw[pos] << 8) | raw[pos + 1]);
      const uint16_t len = static_cast<uint16_t>((raw[pos + 2] << 8) | raw[pos + 3]);
      EXPECT_TRUE(store.StoreBlock(0x0100, 0, slot, raw.data() + pos + 4, len));
      pos += 4 + len;
    }
    EXPECT_TRUE(store.ConvertAndSave((dir / "expected.bin").string()));
    return ReadFile(dir / "expected.bin");
  }

  fs::path dir;
  std::unique_ptr<Process> sim;
  std::unique_ptr<Process> tool;
};

TEST_F(EndToEnd, FullProcedureLeavesEveryFileByteExact) {
  const std::string device = StartSim();
  ASSERT_EQ(RunTool(device, {"backup", "update", "restore"}), 0)
      << tool->Stdout() << tool->Stderr();
  EXPECT_EQ(StopSim(), 0) << sim->Stderr();

  const Bytes backup = ReadFile(dir / "app" / "BACKUP.BIN");
  EXPECT_FALSE(backup.empty());
  EXPECT_EQ(backup, ExpectedBackup());
  EXPECT_EQ(ReadFile(dir / "restore.out"), backup);
  EXPECT_EQ(ReadFile(dir / "image.out"), ReadFile(dir / "app" / "UPDATE.BIN"));

  const std::string& out = tool->Stdout();
  EXPECT_NE(out.find("Reading ... slot no. 8\n"), std::string::npos) << out;
  EXPECT_NE(out.find(" 100 %  ("), std::string::npos) << out;
  EXPECT_NE(out.find("Writing ... slot no. 8\n"), std::string::npos) << out;
  EXPECT_NE(out.find(Line(texts::kCaptionComplete, texts::kMsgComplete)), std::string::npos);
  EXPECT_EQ(out.find("ERROR:"), std::string::npos) << out;
}

TEST_F(EndToEnd, FilesAreDeletedAtExitUnlessKept) {
  const std::string device = StartSim();
  ASSERT_EQ(RunTool(device, {"backup", "update"}, {}), 0) << tool->Stdout() << tool->Stderr();
  StopSim();
  EXPECT_FALSE(fs::exists(dir / "app" / "BACKUP.BIN"));
  EXPECT_FALSE(fs::exists(dir / "app" / "UPDATE.BIN"));
  EXPECT_TRUE(fs::exists(dir / "app" / "Q7310_v201.mot"));
}

TEST_F(EndToEnd, LostAndDamagedRepliesAreRecoveredByResending) {
  const std::string device =
      StartSim({"--drop-reply", "2", "--corrupt-checksum", "4", "--noise", "7"});
  ASSERT_EQ(RunTool(device, {"backup"}), 0) << tool->Stdout() << tool->Stderr();
  StopSim();
  EXPECT_EQ(ReadFile(dir / "app" / "BACKUP.BIN"), ExpectedBackup());
}

TEST_F(EndToEnd, EachFailureEndsWithItsMessage) {
  struct Case {
    const char* name;
    std::vector<std::string> simOptions;
    std::vector<std::string> ops;
    std::string_view message;
  };
  // Requests are counted over the whole run: a backup makes 9, so request 10 is the first
  // write of a restore that follows it.
  const std::vector<Case> cases = {
      {"no reply", {"--stop-after", "0"}, {"backup"}, texts::kMsgNoReply},
      {"line hung up", {"--hangup-after", "2"}, {"backup"}, texts::kMsgNoReply},
      {"backup status", {"--fail-at", "3"}, {"backup"}, texts::kMsgBackupFailed},
      {"update status", {"--fail-at", "2"}, {"update"}, texts::kMsgUpdateFailed},
      {"device message", {"--device-message-fail"}, {"update"}, texts::kMsgUpdateFailed},
      {"restore status", {"--fail-at", "10"}, {"backup", "restore"}, texts::kMsgRestoreFailed},
      {"no backup file", {}, {"restore"}, texts::kMsgBackupFileFailed},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string device = StartSim(c.simOptions);
    EXPECT_EQ(RunTool(device, c.ops, {"--reply-timeout", "100"}), 1);
    EXPECT_NE(tool->Stdout().find(Line(texts::kCaptionError, c.message)), std::string::npos)
        << tool->Stdout() << tool->Stderr();
    StopSim();
  }
}

TEST_F(EndToEnd, MissingFirmwareFileIsReportedWithoutTouchingTheLine) {
  fs::remove(dir / "app" / "Q7310_v201.mot");
  const std::string device = StartSim();
  EXPECT_EQ(RunTool(device, {"update"}), 1);
  EXPECT_NE(tool->Stdout().find(Line(texts::kCaptionError, texts::kMsgMotReadFailed)),
            std::string::npos)
      << tool->Stdout();
  StopSim();
  EXPECT_FALSE(fs::exists(dir / "image.out"));
}

TEST_F(EndToEnd, PortThatCannotOpenIsReported) {
  const std::string device = (dir / "no-such-device").string();
  EXPECT_EQ(RunTool(device, {"backup"}), 1);
  EXPECT_NE(tool->Stdout().find(Line(texts::kCaptionError, texts::kMsgPortError)),
            std::string::npos)
      << tool->Stdout();
}

TEST_F(EndToEnd, WrongUsageExitsWithTwo) {
  tool =
      std::make_unique<Process>(std::vector<std::string>{Q7310_CLI_PATH, "--port", "x", "backup"});
  EXPECT_EQ(tool->Wait(), 2);
  tool = std::make_unique<Process>(std::vector<std::string>{Q7310_CLI_PATH, "frobnicate"});
  EXPECT_EQ(tool->Wait(), 2);
}

}  // namespace
}  // namespace q7310
