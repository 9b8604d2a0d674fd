// A backup file of whole slot records that does not hold the slots 0 to 8 once each, restored by
// the real q7310 into the real simulator: restored as it stands, but only after a warning that
// names the missing and repeated slots (a JSON line with --json), and, on a terminal, after
// Enter; Ctrl-C or the end of the input there stops it before the first frame.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "app/settings_notes.h"
#include "app/texts.h"
#include "e2e_fixture.h"
#include "support/pty_peer.h"
#include "support/slot_records.h"

namespace q7310 {
namespace {

namespace fs = std::filesystem;
using testing::Bytes;
using testing::EndToEnd;
using testing::Process;
using testing::PtyPeer;
using testing::ReadFile;

using PartialBackup = EndToEnd;

// Slots 0 to 7 with slot 3 twice and slot 4 missing; slot 8 missing as well.
Bytes PartialRecords() {
  Bytes file;
  for (const uint16_t slot : {0, 1, 2, 3, 3, 5, 6, 7}) {
    testing::AppendRecord(file, slot, Bytes(70, static_cast<uint8_t>(slot)));
  }
  return file;
}

const SlotCoverage kCoverage = {{4, 8}, {3}, {}};

// Reads the tool's standard output up to the line `prompt`; false when it did not come.
bool ReadUpTo(Process& tool, std::string_view prompt) {
  while (const std::optional<std::string> line = tool.NextLine()) {
    if (*line == prompt) return true;
  }
  return false;
}

TEST_F(PartialBackup, IsRestoredAsItStandsAfterAWarningThatNamesTheSlots) {
  const fs::path file = dir / "partial.BIN";
  testing::WriteFile(file, PartialRecords());
  const std::string warning = IncompleteBackupText(file.string(), kCoverage);
  const std::string device = StartSim();

  // Without waiting: the warning, then the restore of every record.
  EXPECT_EQ(RunTool(device, {"restore", "--from", file.string()}), 0)
      << tool->Stdout() << tool->Stderr();
  EXPECT_EQ(tool->Stderr(), "warning: " + warning + "\n");
  EXPECT_NE(tool->Stdout().find(testing::MessageLine(texts::kCaptionComplete, texts::kMsgComplete)),
            std::string::npos);

  // JSON lines: the slots as numbers, after the operation's start and before its first frame.
  EXPECT_EQ(
      RunTool(device, {"restore", "--from", file.string()}, {"--json", "--reply-timeout", "300"}),
      0);
  std::vector<nlohmann::json> lines;
  std::istringstream out(tool->Stdout());
  for (std::string line; std::getline(out, line);) lines.push_back(nlohmann::json::parse(line));
  const auto typed = [&](std::string_view type) {
    return std::find_if(lines.begin(), lines.end(),
                        [&](const nlohmann::json& l) { return l.at("type") == type; });
  };
  const auto event = typed("incomplete-backup");
  ASSERT_NE(event, lines.end()) << tool->Stdout();
  EXPECT_EQ(*event, (nlohmann::json{{"type", "incomplete-backup"},
                                    {"file", file.string()},
                                    {"missing", {4, 8}},
                                    {"repeated", {3}},
                                    {"unexpected", nlohmann::json::array()},
                                    {"text", warning}}));
  EXPECT_LT(typed("operation"), event);
  EXPECT_LT(event, typed("title"));
  EXPECT_TRUE(tool->Stderr().empty()) << tool->Stderr();
  StopSim();
  // Twice the file, record for record, as it stands.
  const Bytes once = PartialRecords();
  Bytes twice = once;
  twice.insert(twice.end(), once.begin(), once.end());
  EXPECT_EQ(ReadFile(dir / "restore.out"), twice);
}

TEST_F(PartialBackup, OnATerminalTheRestoreWaitsForEnterAfterTheWarning) {
  const fs::path file = dir / "partial.BIN";
  testing::WriteFile(file, PartialRecords());
  const std::string device = StartSim();
  const fs::path trace = dir / "trace.txt";
  const auto sent = [&] {
    std::ifstream in(trace);
    const std::string text((std::istreambuf_iterator<char>(in)), {});
    return text.find(" TX ") != std::string::npos;
  };
  const auto start = [&](PtyPeer& keyboard) {
    fs::remove(trace);
    tool = std::make_unique<Process>(
        std::vector<std::string>{Q7310_CLI_PATH, "--device", device, "--dir",
                                 (dir / "app").string(), "--trace", trace.string(), "restore",
                                 "--from", file.string()},
        keyboard.SlaveFd());
    // The steps before the restore, then Enter; then the warning and its own prompt.
    EXPECT_TRUE(ReadUpTo(*tool, texts::kCliPressEnter)) << tool->Stdout();
    EXPECT_TRUE(keyboard.Send({'\n'}));
    EXPECT_TRUE(ReadUpTo(*tool, texts::kCliEnterToRestoreAllTheSame)) << tool->Stdout();
    ::usleep(300000);  // time in which a tool that did not wait would have sent its request
    EXPECT_NE(tool->Stderr().find(IncompleteBackupText(file.string(), kCoverage)),
              std::string::npos)
        << tool->Stderr();
    EXPECT_FALSE(sent()) << "a frame went out before Enter";
  };
  {
    SCOPED_TRACE("Enter");
    PtyPeer keyboard;
    start(keyboard);
    EXPECT_TRUE(keyboard.Send({'\n'}));
    EXPECT_EQ(tool->Wait(), 0) << tool->Stdout() << tool->Stderr();
    EXPECT_TRUE(sent());
  }
  struct Stop {
    const char* name;
    std::function<void(PtyPeer&)> stop;
  };
  for (const Stop& s : {Stop{"Ctrl-C", [&](PtyPeer&) { tool->Signal(SIGINT); }},
                        Stop{"the input closed", [](PtyPeer& keyboard) { keyboard.HangUp(); }}}) {
    SCOPED_TRACE(s.name);
    PtyPeer keyboard;
    start(keyboard);
    s.stop(keyboard);
    EXPECT_EQ(tool->Wait(), 1) << tool->Stdout() << tool->Stderr();
    EXPECT_FALSE(sent());
    EXPECT_NE(tool->Stdout().find("restore: cancelled after "), std::string::npos)
        << tool->Stdout();
  }
  StopSim();
}

}  // namespace
}  // namespace q7310
