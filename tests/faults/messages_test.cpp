// What the technician reads, end to end: every failure message keeps its exact text on standard
// error and says why in its detail line; usage errors name the wrong word; progress carries a
// percentage; texts from the amplifier and non-ASCII paths come out as UTF-8 in every output.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "app/texts.h"
#include "backup/settings_backup.h"
#include "faults/fault_fixture.h"
#include "support/pty_peer.h"
#include "support/terminal_run.h"
#include "support/tool_run.h"

namespace q7310 {
namespace {

namespace fs = std::filesystem;
using testing::Bytes;
using testing::FaultTest;
using testing::ReadFile;
using testing::WriteFile;

using Json = nlohmann::json;

class Messages : public FaultTest {
 protected:
  // The tool printed "ERROR: <text>" and "  detail: ..." holding `reason` on standard error,
  // and nothing of it on standard output.
  void ExpectErrorWithReason(std::string_view text, const std::string& reason) {
    EXPECT_TRUE(ToolShowedError(text)) << ToolOutput();
    const std::string& err = tool->Stderr();
    const size_t at = err.find(testing::MessageLine(texts::kCaptionError, text));
    ASSERT_NE(at, std::string::npos) << ToolOutput();
    const size_t detail = err.find("  detail: ", at);
    ASSERT_NE(detail, std::string::npos) << ToolOutput();
    EXPECT_NE(err.substr(detail, err.find('\n', detail) - detail).find(reason), std::string::npos)
        << ToolOutput();
    EXPECT_EQ(tool->Stdout().find("ERROR:"), std::string::npos) << ToolOutput();
  }

  // The JSON objects the tool printed, one a line; each line must parse.
  std::vector<Json> JsonLines() {
    std::vector<Json> lines;
    std::istringstream in(tool->Stdout());
    for (std::string line; std::getline(in, line);) {
      Json object = Json::parse(line, nullptr, false);
      EXPECT_FALSE(object.is_discarded()) << line;
      lines.push_back(std::move(object));
    }
    return lines;
  }
};

TEST_F(Messages, EachFailureSaysWhyInItsDetailLine) {
  {
    SCOPED_TRACE("--dir names no folder: said before the amplifier is read");
    const std::string device = StartSim();
    EXPECT_EQ(RunTool(device, dir / "nowhere", {"backup"}), 1);
    ExpectErrorWithReason(texts::kMsgFolderUnusable,
                          (dir / "nowhere").string() + ": no such folder");
    EXPECT_EQ(tool->Stdout().find("Reading"), std::string::npos) << ToolOutput();
    StopSim();
  }
  {
    SCOPED_TRACE("BACKUP.BIN is a folder");
    fs::create_directories(app / texts::kBackupFile);
    const std::string device = StartSim();
    EXPECT_EQ(RunTool(device, app, {"restore"}), 1);
    ExpectErrorWithReason(texts::kMsgBackupFileFailed, "is a folder, not a file");
    StopSim();
    fs::remove(app / texts::kBackupFile);
  }
  {
    SCOPED_TRACE("BACKUP.BIN too large for the store");
    WriteFile(app / texts::kBackupFile, Bytes(CSettingsBackup::kBufferSize + 10, 0));
    const std::string device = StartSim();
    EXPECT_EQ(RunTool(device, app, {"restore"}), 1);
    ExpectErrorWithReason(texts::kMsgBackupFileFailed, "larger than the backup store");
    StopSim();
    fs::remove(app / texts::kBackupFile);
  }
  {
    SCOPED_TRACE("no firmware file: where it was looked for, and what moves it");
    const fs::path empty = dir / "empty";
    fs::create_directories(empty);
    const std::string device = StartSim();
    EXPECT_EQ(RunTool(device, empty, {"update"}), 1);
    ExpectErrorWithReason(texts::kMsgMotReadFailed,
                          (empty / texts::kFirmwareFile).string() + ": no such file (--dir");
    StopSim();
  }
  {
    SCOPED_TRACE("the line hung up: the failed writes, not a silent amplifier");
    const std::string device = StartSim({"--hangup-after", "2"});
    EXPECT_EQ(RunTool(device, app, {"backup"}), 1);
    ExpectErrorWithReason(texts::kMsgNoReply, std::string(texts::kDetailWritesFailed) + ": " +
                                                  device + ": the device was disconnected (");
    StopSim();
  }
  {
    SCOPED_TRACE("a failing device message: its text");
    const std::string device = StartSim({"--device-message-fail"});
    EXPECT_EQ(RunTool(device, app, {"update"}), 1);
    ExpectErrorWithReason(texts::kMsgUpdateFailed,
                          std::string(texts::kDetailDeviceSaid) + ": Flash write error");
    StopSim();
  }
}

TEST_F(Messages, UsageErrorsNameTheWrongWord) {
  const auto usage = [this](std::vector<std::string> args) {
    args.insert(args.begin(), Q7310_CLI_PATH);
    tool = std::make_unique<testing::Process>(args);
    EXPECT_EQ(tool->Wait(), 2) << ToolOutput();
    return tool->Stderr();
  };
  const std::string expected = "(expected backup, update, restore, verify, image, inspect, ports)";
  EXPECT_NE(usage({"frobnicate"}).find("unknown operation 'frobnicate' " + expected),
            std::string::npos);
  EXPECT_NE(usage({"BACKUP"}).find("unknown operation 'BACKUP' " + expected), std::string::npos);
  EXPECT_NE(usage({"--yes", "backup", "restor"}).find("unknown operation 'restor'"),
            std::string::npos);
  EXPECT_NE(usage({"--port", "abc", "backup"}).find("'abc': a port is a number"),
            std::string::npos);

  testing::Process sim({Q7310_SIM_PATH, "--hangup-after", "0"});
  EXPECT_EQ(sim.Wait(), 2);
  EXPECT_NE(sim.Stderr().find("1 to 4294967295"), std::string::npos) << sim.Stderr();
  EXPECT_LT(sim.Stderr().size(), 200u) << sim.Stderr();
}

TEST_F(Messages, InspectOfAnOversizedFileSaysSoInsteadOfASize) {
  const uint64_t size = CSettingsBackup::kBufferSize + 4096;
  WriteFile(dir / "big.bin", Bytes(size, 0));
  tool = std::make_unique<testing::Process>(
      std::vector<std::string>{Q7310_CLI_PATH, "inspect", (dir / "big.bin").string()});
  EXPECT_EQ(tool->Wait(), 1);
  EXPECT_EQ(tool->Stdout().find("bytes"), std::string::npos) << ToolOutput();
  EXPECT_NE(tool->Stderr().find("(" + std::to_string(size) + " bytes)"), std::string::npos)
      << ToolOutput();
  EXPECT_NE(tool->Stderr().find("not read"), std::string::npos) << ToolOutput();
}

TEST_F(Messages, BackupAndRestoreReportTheirPercentage) {
  const std::string device = StartSim();
  ASSERT_EQ(RunTool(device, app, {"backup", "restore"}, {"--json"}), 0) << ToolOutput();
  StopSim();
  std::map<std::string, std::vector<int>> percents;
  std::string operation;
  for (const Json& line : JsonLines()) {
    if (line.value("type", "") == "operation") operation = line["name"];
    if (line.value("type", "") == "progress") {
      ASSERT_TRUE(line.contains("percent")) << line.dump();
      percents[operation].push_back(line["percent"]);
    }
  }
  for (const auto& [name, values] : percents) {
    SCOPED_TRACE(name);
    ASSERT_FALSE(values.empty());
    EXPECT_TRUE(std::is_sorted(values.begin(), values.end()));
    EXPECT_GE(values.front(), 0);
    EXPECT_LE(values.back(), 100);
  }
  // Backup counts slots: none read yet, then slot 1 of 9 read, ..., slot 8 read.
  EXPECT_EQ(percents["backup"], (std::vector<int>{0, 11, 22, 33, 44, 55, 66, 77, 88}));
  // Restore counts the bytes of BACKUP.BIN sent: the last block ends the file.
  EXPECT_EQ(percents["restore"].back(), 100);
  EXPECT_GT(percents["restore"].size(), 9u);
}

TEST_F(Messages, DeviceTextIsDecodedFromItsCodePageInPlainAndJsonOutput) {
  // Bytes 0x80 (euro sign), 0x93/0x94 (curly quotes), 0xE9 (e acute), 0xFF (y diaeresis).
  const std::string sent = "Flash \x80 \x93ok\x94 \xE9\xFF";
  const std::string shown = "Flash \u20AC \u201Cok\u201D \u00E9\u00FF";
  for (const bool json : {false, true}) {
    SCOPED_TRACE(json ? "json" : "plain");
    const std::string device = StartSim({"--message-every", "1", "--message", sent});
    std::vector<std::string> options;
    if (json) options.push_back("--json");
    ASSERT_EQ(RunTool(device, app, {"update"}, options), 0) << ToolOutput();
    StopSim();
    if (!json) {
      // A text from the amplifier comes without a new share: a line of its own, once.
      const std::string& out = tool->Stdout();
      const size_t at = out.find(" % " + shown + "  (");
      EXPECT_NE(at, std::string::npos) << ToolOutput();
      EXPECT_EQ(out.find(shown, at + shown.size()), std::string::npos) << ToolOutput();
      continue;
    }
    bool seen = false;
    for (const Json& line : JsonLines()) {
      if (line.value("type", "") == "progress" && line["text"] == shown) seen = true;
    }
    EXPECT_TRUE(seen) << ToolOutput();
  }
}

TEST_F(Messages, JsonLinesWithANonAsciiPathParseAndRoundTrip) {
  const fs::path home = dir / "j\u00FCrgen";
  fs::create_directories(home);
  fs::copy_file(app / texts::kFirmwareFile, home / texts::kFirmwareFile);
  const std::string device = StartSim();
  ASSERT_EQ(RunTool(device, home, {"backup"}, {"--json"}), 0) << ToolOutput();
  StopSim();
  bool kept = false;
  std::istringstream in(tool->Stdout());
  for (std::string line; std::getline(in, line);) {
    // Written and read back in the same key order, the line comes out byte for byte.
    const nlohmann::ordered_json object = nlohmann::ordered_json::parse(line);
    EXPECT_EQ(object.dump(), line);
    if (object["type"] == "backup-kept") {
      const std::string path = object["path"];
      EXPECT_EQ(path.rfind((home / "backups").string(), 0), 0u) << path;
      EXPECT_TRUE(fs::exists(path)) << path;
      kept = true;
    }
  }
  EXPECT_TRUE(kept) << ToolOutput();
}

TEST_F(Messages, ProgressBarFitsANarrowTerminal) {
  const std::string device = StartSim();
  const std::vector<std::string> args = {
      Q7310_CLI_PATH,    "--device", device,         "--dir",
      app.string(),      "--yes",    "--keep-files", testing::kAllowSample,
      "--reply-timeout", "400",      "backup",       "update"};
  for (const unsigned short columns : {30, 80}) {
    SCOPED_TRACE(columns);
    const std::string drawn = testing::RunOnTerminal(args, {.columns = columns});
    // Each redraw of the bar starts with a carriage return; none may reach the last column, or
    // the terminal would wrap it onto a new line at every redraw.
    size_t bars = 0;
    size_t longest = 0;
    std::string line;
    std::vector<std::string> lines;
    for (const char c : drawn + "\n") {
      if (c == '\r' || c == '\n') {
        const size_t clear = line.find("\x1b[K");
        if (clear != std::string::npos) line.erase(clear);
        if ((line.rfind("backup ", 0) == 0 || line.rfind("update ", 0) == 0) &&
            line.find(" % ") != std::string::npos) {
          size_t width = 0;
          for (const unsigned char b : line) width += (b & 0xC0) != 0x80;
          longest = std::max(longest, width);
          ++bars;
        }
        // The terminal ends each line with "\r\n": no empty lines between.
        if (!line.empty()) lines.push_back(line);
        line.clear();
      } else {
        line += c;
      }
    }
    EXPECT_LT(longest, static_cast<size_t>(columns)) << drawn;
    EXPECT_GT(bars, 9u) << drawn;
    EXPECT_NE(drawn.find(" 33 % "), std::string::npos) << drawn;
    // The backup's closing line takes the place of its bar, before the dated copy is named.
    const auto closing = std::find_if(lines.begin(), lines.end(), [](const std::string& l) {
      return l.rfind("backup: 9 slots, ", 0) == 0;
    });
    ASSERT_NE(closing, lines.end()) << drawn;
    ASSERT_NE(closing, lines.begin());
    EXPECT_EQ((closing - 1)->rfind("backup ", 0), 0u) << drawn;
    ASSERT_NE(closing + 1, lines.end());
    EXPECT_EQ((closing + 1)->rfind(texts::kCliBackupKept, 0), 0u) << drawn;
  }
  StopSim();
}

}  // namespace
}  // namespace q7310
