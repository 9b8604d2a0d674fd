// The real command-line tool against the real simulated amplifier, over a pseudo-terminal.
#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/texts.h"
#include "backup/settings_backup.h"
#include "support/converted_settings.h"
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
    EXPECT_TRUE(testing::SaveConvertedSettings(store, raw, (dir / "expected.bin").string()));
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
    // Long enough that a slow (sanitizer) build never resends, which would shift the request
    // count that --fail-at relies on.
    EXPECT_EQ(RunTool(device, c.ops, {"--reply-timeout", "400"}), 1);
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

TEST_F(EndToEnd, SavedCopySurvivesTheRunAndRestoresExactly) {
  const std::string device = StartSim();
  ASSERT_EQ(RunTool(device, {"backup"}, {}), 0) << tool->Stdout() << tool->Stderr();
  EXPECT_FALSE(fs::exists(dir / "app" / "BACKUP.BIN"));
  std::vector<fs::path> copies;
  for (const auto& e : fs::directory_iterator(dir / "app" / "backups")) copies.push_back(e.path());
  ASSERT_EQ(copies.size(), 1u);
  EXPECT_EQ(ReadFile(copies[0]), ExpectedBackup());

  ASSERT_EQ(RunTool(device, {"restore", "--from", copies[0].string()}, {}), 0)
      << tool->Stdout() << tool->Stderr();
  StopSim();
  EXPECT_EQ(ReadFile(dir / "restore.out"), ReadFile(copies[0]));
}

TEST_F(EndToEnd, TraceHoldsEveryFrameInOrder) {
  const std::string device = StartSim({"--drop-reply", "2"});
  const fs::path trace = dir / "trace.txt";
  ASSERT_EQ(RunTool(device, {"backup"}, {"--reply-timeout", "200", "--trace", trace.string()}), 0)
      << tool->Stdout();
  StopSim();
  std::ifstream in(trace);
  std::vector<std::string> requests;
  size_t replies = 0, resends = 0;
  for (std::string line; std::getline(in, line);) {
    if (line.find(" TX CMD_READ_SLOT ") != std::string::npos) {
      requests.push_back(line.substr(line.find("slot=")));
    }
    if (line.find(" RX CMD_READ_SLOT_REPLY ") != std::string::npos) ++replies;
    if (line.find(" RESEND CMD_READ_SLOT") != std::string::npos) ++resends;
  }
  // Slot 1's request was sent twice: its first reply was dropped.
  ASSERT_EQ(requests.size(), 10u);
  EXPECT_EQ(requests[0].substr(0, 7), "slot=0 ");
  EXPECT_EQ(requests[1], requests[2]);
  EXPECT_EQ(requests[9].substr(0, 7), "slot=8 ");
  EXPECT_EQ(resends, 1u);
  EXPECT_GE(replies, 9u);
}

TEST_F(EndToEnd, JsonLinesCarryTheSameTextsAsThePlainOutput) {
  const std::string device = StartSim();
  ASSERT_EQ(RunTool(device, {"backup"}), 0);
  const std::string plain = tool->Stdout();
  ASSERT_EQ(RunTool(device, {"backup"}, {"--json", "--keep-files"}), 0);
  StopSim();
  std::istringstream json(tool->Stdout());
  std::vector<std::string> texts;
  for (std::string line; std::getline(json, line);) {
    ASSERT_TRUE(line.size() > 2 && line.front() == '{' && line.back() == '}') << line;
    const std::string key = "\"type\":\"progress\",\"text\":\"";
    if (line.rfind("{" + key, 0) == 0) {
      texts.push_back(line.substr(key.size() + 1, line.find('"', key.size() + 1) - key.size() - 1));
    }
  }
  ASSERT_EQ(texts.size(), 9u);
  for (const auto& t : texts) EXPECT_NE(plain.find(t + "\n"), std::string::npos) << t;
  EXPECT_NE(tool->Stdout().find("{\"type\":\"result\",\"name\":\"backup\",\"ok\":true}"),
            std::string::npos);
}

TEST_F(EndToEnd, ImageAndInspectCheckFilesWithoutAnAmplifier) {
  tool = std::make_unique<Process>(
      std::vector<std::string>{Q7310_CLI_PATH, "image", (dir / "app" / "Q7310_v201.mot").string()});
  EXPECT_EQ(tool->Wait(), 0);
  EXPECT_NE(tool->Stdout().find("blocks:"), std::string::npos) << tool->Stdout();

  std::ofstream(dir / "bad.mot") << "S00600004844521B\nS5030001FB\nS9030000FC\n";
  tool = std::make_unique<Process>(
      std::vector<std::string>{Q7310_CLI_PATH, "image", (dir / "bad.mot").string()});
  EXPECT_EQ(tool->Wait(), 1);
  EXPECT_NE(tool->Stderr().find("line 2"), std::string::npos) << tool->Stderr();

  const std::string device = StartSim();
  ASSERT_EQ(RunTool(device, {"backup"}), 0);
  StopSim();
  tool = std::make_unique<Process>(
      std::vector<std::string>{Q7310_CLI_PATH, "inspect", (dir / "app" / "BACKUP.BIN").string()});
  EXPECT_EQ(tool->Wait(), 0) << tool->Stderr();
  EXPECT_NE(tool->Stdout().find("135204 bytes"), std::string::npos) << tool->Stdout();
  Bytes cut = ReadFile(dir / "app" / "BACKUP.BIN");
  cut.resize(100);
  std::ofstream(dir / "cut.bin", std::ios::binary)
      .write(reinterpret_cast<const char*>(cut.data()), static_cast<std::streamsize>(cut.size()));
  tool = std::make_unique<Process>(
      std::vector<std::string>{Q7310_CLI_PATH, "inspect", (dir / "cut.bin").string()});
  EXPECT_EQ(tool->Wait(), 1);
}

// Both programs say the project's version. The tool names its working folder on its first line,
// in either output form, before anything else happens (here: a port that is not there).
TEST_F(EndToEnd, VersionAndWorkingFolderComeFirst) {
  for (const char* program : {Q7310_CLI_PATH, Q7310_SIM_PATH}) {
    tool = std::make_unique<Process>(std::vector<std::string>{program, "--version"});
    EXPECT_EQ(tool->Wait(), 0);
    EXPECT_NE(tool->Stdout().find(" " Q7310_EXPECTED_VERSION), std::string::npos) << tool->Stdout();
  }
  const std::string app = (dir / "app").string();
  const std::vector<std::string> args = {
      Q7310_CLI_PATH, "--device", "/nonexistent/ttyQ7310", "--dir", app + "/", "--yes", "backup"};
  tool = std::make_unique<Process>(args);
  EXPECT_EQ(tool->Wait(), 1);
  EXPECT_EQ(tool->Stdout().rfind(std::string(texts::kWorkingFolder) + app + "\n", 0), 0u)
      << tool->Stdout();
  std::vector<std::string> json = args;
  json.push_back("--json");
  tool = std::make_unique<Process>(json);
  EXPECT_EQ(tool->Wait(), 1);
  EXPECT_EQ(tool->Stdout().rfind("{\"type\":\"working-folder\",\"path\":\"" + app + "\"}\n", 0), 0u)
      << tool->Stdout();
}

// Installed beside its share/q7310 (as under /usr), the tool keeps its files in the per-user
// data folder, makes it, and when the firmware is missing says where the installed sample is,
// without copying it.
TEST_F(EndToEnd, InstalledToolWorksInPerUserDataFolder) {
  const fs::path prefix = dir / "prefix";
  fs::create_directories(prefix / "bin");
  fs::create_directories(prefix / "share" / "q7310");
  fs::copy_file(Q7310_CLI_PATH, prefix / "bin" / "q7310");
  fs::copy_file(dir / "app" / "Q7310_v201.mot", prefix / "share" / "q7310" / "Q7310_v201.mot");
  const fs::path data = dir / "home" / ".local" / "share" / "q7310";

  const std::string device = StartSim();
  tool = std::make_unique<Process>(std::vector<std::string>{
      "/usr/bin/env", "-u", "XDG_DATA_HOME", "HOME=" + (dir / "home").string(),
      (prefix / "bin" / "q7310").string(), "--device", device, "--yes", "update"});
  EXPECT_EQ(tool->Wait(120000), 1);
  StopSim();
  const std::string out = tool->Stdout();
  EXPECT_EQ(out.rfind(std::string(texts::kWorkingFolder) + data.string() + "\n", 0), 0u) << out;
  EXPECT_NE(out.find(Line(texts::kCaptionError, texts::kMsgMotReadFailed)), std::string::npos)
      << out;
  EXPECT_NE(out.find((prefix / "share" / "q7310" / "Q7310_v201.mot").string()), std::string::npos)
      << out;
  EXPECT_TRUE(fs::is_directory(data));
  EXPECT_FALSE(fs::exists(data / "Q7310_v201.mot"));
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
