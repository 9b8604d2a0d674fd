// The real command-line tool against the real simulated amplifier, over a pseudo-terminal.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "app/app_paths.h"
#include "app/texts.h"
#include "cli/figures.h"
#include "cli/operation_table.h"
#include "e2e_fixture.h"
#include "support/pty_peer.h"
#include "support/sample_firmware.h"
#include "support/slot_records.h"

namespace q7310 {
namespace {

namespace fs = std::filesystem;
using cli::FormatCount;
using testing::AppendRecord;
using testing::Bytes;
using testing::EndToEnd;
using testing::MessageLine;
using testing::Process;
using testing::PtyPeer;
using testing::ReadFile;
using testing::WriteFile;

// The lines of the sample firmware file, without their line ends.
std::vector<std::string> SampleMotLines() {
  std::ifstream in(testing::SampleFirmwarePath());
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

size_t Count(const std::string& text, std::string_view what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

std::string JoinLines(const std::vector<std::string>& lines, size_t from, size_t to) {
  std::string text;
  for (size_t i = from; i < to; ++i) text += lines[i] + "\n";
  return text;
}

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
  // Into a pipe: a closing line per operation, and at most one progress line per tenth.
  const std::string slots = "backup: 9 slots, " + FormatCount(backup.size()) + " bytes in ";
  EXPECT_NE(out.find(slots), std::string::npos) << out;
  EXPECT_NE(out.find("update: 512 blocks, 65,536 bytes in "), std::string::npos) << out;
  EXPECT_NE(out.find("restore: 9 slots, " + FormatCount(backup.size()) + " bytes in "),
            std::string::npos)
      << out;
  EXPECT_NE(out.find("backup  88 % Reading ... slot no. 8  ("), std::string::npos) << out;
  EXPECT_NE(out.find("update  90 % (59008/65536 byte) transmitted  ("), std::string::npos) << out;
  for (const char* operation : {"backup ", "update ", "restore "}) {
    EXPECT_LE(Count(out, std::string("\n") + operation), 10u) << operation << out;
  }
  EXPECT_NE(out.find(MessageLine(texts::kCaptionComplete, texts::kMsgComplete)), std::string::npos);
  EXPECT_EQ(out.find("ERROR:"), std::string::npos) << out;
  EXPECT_EQ(tool->Stderr().find("ERROR:"), std::string::npos) << tool->Stderr();
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

TEST_F(EndToEnd, RestoreHeldUpPastTheTimeoutEndsOnlyWhenEveryBlockIsConfirmed) {
  // Request 12 is the restore's third block; answered 450 ms late, it is sent three times.
  const std::string device = StartSim({"--late-reply", "12", "--late-ms", "450"});
  const fs::path trace = dir / "trace.txt";
  ASSERT_EQ(
      RunTool(device, {"backup", "restore"}, {"--reply-timeout", "200", "--trace", trace.string()}),
      0)
      << tool->Stdout() << tool->Stderr();
  StopSim();
  EXPECT_EQ(ReadFile(dir / "restore.out"), ExpectedBackup());
  std::ifstream in(trace);
  size_t sent = 0, resent = 0, answered = 0;
  for (std::string line; std::getline(in, line);) {
    if (line.find(" TX CMD_WRITE_SLOT ") != std::string::npos) ++sent;
    if (line.find(" RESEND CMD_WRITE_SLOT") != std::string::npos) ++resent;
    if (line.find(" RX CMD_WRITE_SLOT_REPLY ") != std::string::npos) ++answered;
  }
  EXPECT_EQ(resent, 2u);
  // Every copy sent (the resends included) was answered before the tool ended: a late answer
  // taken for a later block's would have ended the restore before its last blocks were confirmed.
  EXPECT_EQ(answered, sent);
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
    EXPECT_NE(tool->Stderr().find(MessageLine(texts::kCaptionError, c.message)), std::string::npos)
        << tool->Stdout() << tool->Stderr();
    StopSim();
  }
}

TEST_F(EndToEnd, MissingFirmwareFileIsReportedWithoutTouchingTheLine) {
  fs::remove(dir / "app" / "Q7310_v201.mot");
  const std::string device = StartSim();
  EXPECT_EQ(RunTool(device, {"update"}), 1);
  EXPECT_NE(tool->Stderr().find(MessageLine(texts::kCaptionError, texts::kMsgMotReadFailed)),
            std::string::npos)
      << tool->Stdout();
  StopSim();
  EXPECT_FALSE(fs::exists(dir / "image.out"));
}

// The sample firmware (marked in its header) is refused before any frame goes out and before
// UPDATE.BIN is touched, unless --allow-sample is given; then the whole image arrives.
TEST_F(EndToEnd, UpdateSendsTheSampleOnlyWithAllowSample) {
  {
    SCOPED_TRACE("without --allow-sample");
    allowSample = false;
    const Bytes earlier = {0xE0, 0x01, 0x02, 0xFF};
    WriteFile(dir / "app" / "UPDATE.BIN", earlier);
    const std::string device = StartSim();
    EXPECT_EQ(RunTool(device, {"update"}), 1);
    const std::string& err = tool->Stderr();
    const std::string mot = (dir / "app" / "Q7310_v201.mot").string();
    EXPECT_NE(
        err.find(MessageLine(texts::kCaptionError, texts::kMsgSampleFirmware) + "  detail: " + mot +
                 " is marked in its header record (S0) as the sample for q7310-sim; "
                 "nothing was sent."),
        std::string::npos)
        << err;
    EXPECT_NE(err.find("released firmware file in " + (dir / "app").string() +
                       " as "
                       "Q7310_v201.mot"),
              std::string::npos)
        << err;
    EXPECT_NE(err.find("start the program with --allow-sample"), std::string::npos) << err;
    EXPECT_EQ(StopSim(), 0) << sim->Stderr();
    EXPECT_NE(sim->Stderr().find("requests: 0 ("), std::string::npos) << sim->Stderr();
    EXPECT_NE(sim->Stderr().find("bad frames: 0,"), std::string::npos) << sim->Stderr();
    EXPECT_FALSE(fs::exists(dir / "image.out"));
    EXPECT_EQ(ReadFile(dir / "app" / "UPDATE.BIN"), earlier);
  }
  {
    SCOPED_TRACE("with --allow-sample");
    allowSample = true;
    const std::string device = StartSim();
    EXPECT_EQ(RunTool(device, {"update"}), 0) << tool->Stdout() << tool->Stderr();
    EXPECT_EQ(StopSim(), 0) << sim->Stderr();
    const Bytes image = ReadFile(dir / "image.out");
    EXPECT_EQ(image.size(), 65536u);
    EXPECT_EQ(image, ReadFile(dir / "app" / "UPDATE.BIN"));
  }
}

// --json: the refusal is a message object with its detail, and the update's result is not ok.
TEST_F(EndToEnd, SampleRefusalInJson) {
  allowSample = false;
  const std::string device = StartSim();
  EXPECT_EQ(RunTool(device, {"update"}, {"--json", "--reply-timeout", "300"}), 1);
  StopSim();
  bool refused = false;
  std::istringstream lines(tool->Stdout());
  for (std::string line; std::getline(lines, line);) {
    const nlohmann::json object = nlohmann::json::parse(line);
    if (object["type"] == "message" && object["text"] == texts::kMsgSampleFirmware) {
      EXPECT_EQ(object["caption"], texts::kCaptionError);
      EXPECT_NE(object["detail"].get<std::string>().find("--allow-sample"), std::string::npos);
      refused = true;
    }
  }
  EXPECT_TRUE(refused) << tool->Stdout();
  EXPECT_NE(tool->Stdout().find(R"({"type":"result","name":"update","ok":false})"),
            std::string::npos)
      << tool->Stdout();
}

TEST_F(EndToEnd, PortThatCannotOpenIsReported) {
  const std::string device = (dir / "no-such-device").string();
  EXPECT_EQ(RunTool(device, {"backup"}), 1);
  EXPECT_NE(tool->Stderr().find(MessageLine(texts::kCaptionError, texts::kMsgPortError)),
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
    const nlohmann::json object = nlohmann::json::parse(line, nullptr, false);
    ASSERT_FALSE(object.is_discarded()) << line;
    if (object["type"] == "progress") texts.push_back(object["text"]);
  }
  // Each slot read is a tenth of the backup: the plain output has a line for each text.
  ASSERT_EQ(texts.size(), 9u);
  for (const auto& t : texts) EXPECT_NE(plain.find(" % " + t + "  ("), std::string::npos) << t;
  EXPECT_NE(tool->Stdout().find("{\"type\":\"result\",\"name\":\"backup\",\"ok\":true}"),
            std::string::npos);
}

// q7310 image names the header and says when the file is the simulator's sample, in both forms;
// a file without the mark is not called one.
TEST_F(EndToEnd, ImageSaysWhenTheFileIsTheSimulatorsSample) {
  const std::string sample = (dir / "app" / "Q7310_v201.mot").string();
  tool = std::make_unique<Process>(std::vector<std::string>{Q7310_CLI_PATH, "image", sample});
  EXPECT_EQ(tool->Wait(), 0);
  const std::string plain = tool->Stdout();
  EXPECT_NE(
      plain.find("header:        SAMPLE FOR q7310-sim ONLY - NOT FIRMWARE FOR AN AMPLIFIER\n"),
      std::string::npos)
      << plain;
  EXPECT_NE(plain.find("sample:        " + std::string(texts::kImageIsSample) + "\n"),
            std::string::npos)
      << plain;

  tool = std::make_unique<Process>(
      std::vector<std::string>{Q7310_CLI_PATH, "image", sample, "--json"});
  EXPECT_EQ(tool->Wait(), 0);
  std::optional<nlohmann::json> image;
  std::istringstream lines(tool->Stdout());
  for (std::string line; std::getline(lines, line);) {
    nlohmann::json object = nlohmann::json::parse(line);
    if (object["type"] == "image") image = object;
  }
  ASSERT_TRUE(image) << tool->Stdout();
  EXPECT_EQ((*image)["sample"], true);
  EXPECT_EQ((*image)["header"], "SAMPLE FOR q7310-sim ONLY - NOT FIRMWARE FOR AN AMPLIFIER");

  // The same image under another header: not the sample; a byte outside printable ASCII is
  // written as \xNN, which keeps the JSON valid.
  std::vector<std::string> other = SampleMotLines();
  other[0] = "S00700004844520A10";  // "HDR\n"
  std::ofstream(dir / "other.mot") << JoinLines(other, 0, other.size());
  tool = std::make_unique<Process>(
      std::vector<std::string>{Q7310_CLI_PATH, "image", (dir / "other.mot").string(), "--json"});
  EXPECT_EQ(tool->Wait(), 0);
  EXPECT_NE(tool->Stdout().find("\"header\":\"HDR\\\\x0A\",\"sample\":false"), std::string::npos)
      << tool->Stdout();
  tool = std::make_unique<Process>(
      std::vector<std::string>{Q7310_CLI_PATH, "image", (dir / "other.mot").string()});
  EXPECT_EQ(tool->Wait(), 0);
  EXPECT_NE(tool->Stdout().find("header:        HDR\\x0A\n"), std::string::npos) << tool->Stdout();
  EXPECT_EQ(tool->Stdout().find("sample:"), std::string::npos) << tool->Stdout();
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

TEST_F(EndToEnd, CutFirmwareFileIsRefusedAndNothingIsSent) {
  const std::vector<std::string> lines = SampleMotLines();
  ASSERT_GT(lines.size(), 10u);
  // Cut after data line 10, as a broken download would leave it.
  std::ofstream(dir / "app" / "Q7310_v201.mot") << JoinLines(lines, 0, 10);
  const Bytes earlier = {0xE0, 0x01, 0x02, 0xFF};
  WriteFile(dir / "app" / "UPDATE.BIN", earlier);

  const std::string device = StartSim();
  EXPECT_EQ(RunTool(device, {"update"}), 1);
  const std::string& out = tool->Stderr();
  EXPECT_NE(out.find(MessageLine(texts::kCaptionError, texts::kMsgMotReadFailed) +
                     "  detail: line 10: the file does not end with a termination record (S7, S8 "
                     "or S9): cut short?\n"),
            std::string::npos)
      << out;
  StopSim();
  EXPECT_NE(sim->Stderr().find("requests: 0 ("), std::string::npos) << sim->Stderr();
  EXPECT_FALSE(fs::exists(dir / "image.out"));
  EXPECT_EQ(ReadFile(dir / "app" / "UPDATE.BIN"), earlier);
}

TEST_F(EndToEnd, DamagedBackupIsRefusedBeforeAnythingIsWritten) {
  // Two whole records, then one whose data runs past the end of the file.
  Bytes damaged;
  AppendRecord(damaged, 0, Bytes(100, 1));
  AppendRecord(damaged, 1, Bytes(70, 2));
  AppendRecord(damaged, 2, Bytes(50, 3));
  damaged.resize(damaged.size() - 1);
  const std::string reason =
      ": the file is not a sequence of well-formed slot records: the record at offset 0xB2 runs "
      "past the end of the file (231 bytes)\n";
  WriteFile(dir / "app" / "BACKUP.BIN", damaged);
  WriteFile(dir / "damaged.bin", damaged);
  const std::vector<std::vector<std::string>> runs = {
      {"restore"}, {"restore", "--from", (dir / "damaged.bin").string()}};
  const std::string device = StartSim();
  for (const auto& ops : runs) {
    SCOPED_TRACE(ops.size() == 1 ? "BACKUP.BIN" : "--from");
    EXPECT_EQ(RunTool(device, ops), 1);
    const std::string file =
        ops.size() == 1 ? (dir / "app" / "BACKUP.BIN").string() : (dir / "damaged.bin").string();
    const std::string detail = "  detail: " + file + reason;
    EXPECT_NE(tool->Stderr().find(MessageLine(texts::kCaptionError, texts::kMsgBackupFileFailed) +
                                  detail),
              std::string::npos)
        << tool->Stderr();
  }
  StopSim();
  EXPECT_NE(sim->Stderr().find("requests: 0 ("), std::string::npos) << sim->Stderr();
  EXPECT_NE(sim->Stderr().find("restore: 0 records written"), std::string::npos);
  EXPECT_FALSE(fs::exists(dir / "restore.out"));
  EXPECT_EQ(ReadFile(dir / "app" / "BACKUP.BIN"), damaged);
}

TEST_F(EndToEnd, ImageAndInspectRefuseCutAndIncompleteFiles) {
  const std::vector<std::string> lines = SampleMotLines();
  const std::string end = "does not end with a termination record (S7, S8 or S9): cut short?";
  const std::string start = "does not start with a header record (S0)";
  struct Firmware {
    const char* name;
    std::string text;
    std::string error;
  };
  const std::vector<Firmware> firmware = {
      {"cut after a data line", JoinLines(lines, 0, 10), "error: line 10: the file " + end},
      {"without S0", JoinLines(lines, 1, lines.size()), "error: line 1: the file " + start},
      {"without terminator", JoinLines(lines, 0, lines.size() - 1),
       "error: line " + std::to_string(lines.size() - 1) + ": the file " + end},
  };
  for (const Firmware& f : firmware) {
    SCOPED_TRACE(f.name);
    std::ofstream(dir / "refused.mot") << f.text;
    tool = std::make_unique<Process>(
        std::vector<std::string>{Q7310_CLI_PATH, "image", (dir / "refused.mot").string()});
    EXPECT_EQ(tool->Wait(), 1);
    EXPECT_EQ(tool->Stderr(), f.error + "\n");
    EXPECT_TRUE(tool->Stdout().empty()) << tool->Stdout();
  }

  struct Backup {
    const char* name;
    std::vector<uint16_t> slots;
    std::string error;  // empty: complete
  };
  const std::vector<Backup> backups = {
      {"complete", {0, 1, 2, 3, 4, 5, 6, 7, 8}, ""},
      {"slot 8 missing", {0, 1, 2, 3, 4, 5, 6, 7}, "is incomplete: slot 8 missing"},
      {"slot 3 twice, slot 4 missing",
       {0, 1, 2, 3, 3, 5, 6, 7, 8},
       "is incomplete: slot 4 missing; slot 3 repeated"},
  };
  for (const Backup& b : backups) {
    SCOPED_TRACE(b.name);
    Bytes file;
    for (uint16_t slot : b.slots) AppendRecord(file, slot, Bytes(5, 9));
    WriteFile(dir / "slots.bin", file);
    tool = std::make_unique<Process>(
        std::vector<std::string>{Q7310_CLI_PATH, "inspect", (dir / "slots.bin").string()});
    EXPECT_EQ(tool->Wait(), b.error.empty() ? 0 : 1);
    EXPECT_EQ(
        tool->Stderr(),
        b.error.empty() ? "" : "error: " + (dir / "slots.bin").string() + " " + b.error + "\n");
    EXPECT_NE(tool->Stdout().find(std::to_string(b.slots.size()) + " complete slot records"),
              std::string::npos);
  }
}

// Reads the tool's lines up to the Enter prompt and returns the lines before it.
std::vector<std::string> LinesUpToPrompt(Process& tool) {
  std::vector<std::string> lines;
  while (const std::optional<std::string> line = tool.NextLine()) {
    lines.push_back(*line);
    if (*line == texts::kCliPressEnter) return lines;
  }
  ADD_FAILURE() << "no prompt; printed:\n" << tool.Stdout();
  return lines;
}

// The last lines of `lines`, blank ones left out, as many as `instructions` has.
void ExpectEndsWith(const std::vector<std::string>& lines,
                    const std::vector<std::string>& instructions) {
  std::vector<std::string> shown;
  for (const std::string& line : lines) {
    if (!line.empty()) shown.push_back(line);
  }
  ASSERT_GE(shown.size(), instructions.size());
  for (size_t i = 0; i < instructions.size(); ++i) {
    EXPECT_EQ(shown[shown.size() - instructions.size() + i], instructions[i]);
  }
}

std::vector<std::string> InstructionsOf(std::string_view operation) {
  return cli::TerminalInstructions(*cli::FindOperation(operation));
}

TEST_F(EndToEnd, WithoutYesEveryOperationWaitsForEnterAfterItsInstructions) {
  const std::string device = StartSim();
  const fs::path trace = dir / "trace.txt";
  const auto sent = [&] {
    std::ifstream in(trace);
    const std::string text((std::istreambuf_iterator<char>(in)), {});
    return Count(text, " TX ");
  };
  const auto start = [&](PtyPeer& keyboard, std::vector<std::string> ops) {
    std::vector<std::string> args = {
        Q7310_CLI_PATH,         "--device", device,         "--dir",
        (dir / "app").string(), "--trace",  trace.string(), "--keep-files",
        testing::kAllowSample};
    args.insert(args.end(), ops.begin(), ops.end());
    tool = std::make_unique<Process>(args, keyboard.SlaveFd());
  };

  {
    SCOPED_TRACE("backup, then update");
    PtyPeer keyboard;  // the technician's, on the tool's stdin
    start(keyboard, {"backup", "update"});
    const std::vector<std::string> first = LinesUpToPrompt(*tool);
    ExpectEndsWith(first, InstructionsOf("backup"));
    ::usleep(300000);  // time in which a tool that did not wait would have sent its request
    EXPECT_EQ(sent(), 0u) << "a frame went out before Enter";

    EXPECT_TRUE(keyboard.Send({'\n'}));  // Enter
    const std::vector<std::string> backup = LinesUpToPrompt(*tool);
    ASSERT_FALSE(backup.empty());
    EXPECT_EQ(backup.front().rfind("backup   0 % ", 0), 0u) << backup.front();
    EXPECT_NE(
        std::find_if(backup.begin(), backup.end(),
                     [](const std::string& l) { return l.rfind("backup: 9 slots, ", 0) == 0; }),
        backup.end());
    ExpectEndsWith(backup, InstructionsOf("update"));
    EXPECT_EQ(sent(), 9u);

    EXPECT_TRUE(keyboard.Send({'\n'}));  // Enter
    EXPECT_EQ(tool->Wait(), 0) << tool->Stdout() << tool->Stderr();
    // Each stage's instructions were shown once, right before their operation, with the
    // terminal's last line instead of the click on a button, and none after the last operation.
    const std::string& out = tool->Stdout();
    EXPECT_EQ(Count(out, texts::kGuideStage1.front()), 1u);
    EXPECT_EQ(Count(out, texts::kGuideStage2.front()), 1u);
    EXPECT_EQ(Count(out, texts::kGuideStage3.front()), 0u);
    EXPECT_EQ(Count(out, "button above"), 0u) << out;
    EXPECT_EQ(Count(out, texts::kCliPressEnter), 2u);
    EXPECT_EQ(out.substr(out.rfind('\n', out.size() - 2) + 1).rfind("update: 512 blocks, ", 0), 0u)
        << out;
  }
  {
    SCOPED_TRACE("update alone: its own steps, not the backup's first; stopped at the prompt");
    fs::remove(trace);
    PtyPeer keyboard;  // the technician's, on the tool's stdin
    start(keyboard, {"update"});
    const std::vector<std::string> lines = LinesUpToPrompt(*tool);
    ExpectEndsWith(lines, InstructionsOf("update"));
    for (const std::string& line : lines) EXPECT_NE(line, texts::kGuideStage1.front());
    tool->Signal(SIGINT);
    EXPECT_EQ(tool->Wait(), 1);
    EXPECT_EQ(sent(), 0u);
  }
  StopSim();
  EXPECT_NE(sim->Stderr().find("(read-slot 9,"), std::string::npos) << sim->Stderr();
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
  // The first JSON line says the format; the folder comes next.
  const std::string& out = tool->Stdout();
  EXPECT_EQ(out.rfind("{\"type\":\"start\",\"format\":1,", 0), 0u) << out;
  EXPECT_EQ(out.substr(out.find('\n') + 1)
                .rfind("{\"type\":\"working-folder\",\"path\":\"" + app + "\"}\n", 0),
            0u)
      << out;
}

// Installed beside its share/q7310 (as under /usr), the tool keeps its files in the per-user
// data folder, makes it, and when the firmware is missing says to put the amplifier's released
// firmware there and that the installed sample is for the simulator only, without copying it.
TEST_F(EndToEnd, InstalledToolWorksInPerUserDataFolder) {
  const fs::path prefix = dir / "prefix";
  fs::create_directories(prefix / "bin");
  fs::create_directories(prefix / "share" / "q7310");
  fs::copy_file(Q7310_CLI_PATH, prefix / "bin" / "q7310");
  const fs::path sample = prefix / "share" / "q7310" / InstalledSampleName();
  fs::copy_file(testing::SampleFirmwarePath(), sample);
  const fs::path data = dir / "home" / ".local" / "share" / "q7310";

  const std::string device = StartSim();
  tool = std::make_unique<Process>(std::vector<std::string>{
      "/usr/bin/env", "-u", "XDG_DATA_HOME", "HOME=" + (dir / "home").string(),
      (prefix / "bin" / "q7310").string(), "--device", device, "--yes", "update"});
  EXPECT_EQ(tool->Wait(120000), 1);
  StopSim();
  const std::string out = tool->Stdout();
  EXPECT_EQ(out.rfind(std::string(texts::kWorkingFolder) + data.string() + "\n", 0), 0u) << out;
  const std::string err = tool->Stderr();
  EXPECT_NE(err.find(MessageLine(texts::kCaptionError, texts::kMsgMotReadFailed)),
            std::string::npos)
      << err;
  EXPECT_NE(err.find("released firmware file in " + data.string() + " as Q7310_v201.mot"),
            std::string::npos)
      << err;
  EXPECT_NE(err.find("sample firmware file " + sample.string() +
                     " is for trying the programs "
                     "against the simulator q7310-sim only"),
            std::string::npos)
      << err;
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
