// The end of a run, end to end: a BACKUP.BIN that no dated copy holds is never deleted, and the
// run's last lines say so; after an update or a restore that did not succeed, the last lines name
// where the backup's settings are and the command that restores them (which then works); a
// restore that finds no BACKUP.BIN names the newest dated copy. The real q7310 against the real
// q7310-sim, in folders whose history folder cannot be written.
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <functional>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "app/numbered_format.h"
#include "app/settings_notes.h"
#include "app/texts.h"
#include "faults/fault_fixture.h"
#include "support/tool_run.h"

namespace q7310 {
namespace {

namespace fs = std::filesystem;
using testing::Bytes;
using testing::FaultTest;
using testing::ReadFile;
using testing::SmallTmpfs;

using EndOfRun = FaultTest;

// Room on a small disk beside the firmware file, BACKUP.BIN and UPDATE.BIN: less than a dated
// copy needs.
constexpr size_t kRoomForNoCopy = 32 * 1024;
// The update's 190th block fails: requests 1 to 9 read the slots, 10 announces the image.
constexpr const char* kFailHalfWay = "200";
constexpr int kProgressWithinMs = 20000;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t nl; (nl = text.find('\n', start)) != std::string::npos; start = nl + 1) {
    lines.push_back(text.substr(start, nl - start));
  }
  return lines;
}

// The last `n` lines of `text`, joined again.
std::string LastLines(const std::string& text, size_t n) {
  const std::vector<std::string> lines = Lines(text);
  std::string last;
  for (size_t i = lines.size() > n ? lines.size() - n : 0; i < lines.size(); ++i) {
    last += lines[i] + "\n";
  }
  return last;
}

std::vector<fs::path> DatedCopies(const fs::path& folder) {
  std::vector<fs::path> copies;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    copies.push_back(it->path());
  }
  std::sort(copies.begin(), copies.end());
  return copies;
}

// The one dated copy in `folder` that is not among `before` (names of one second sort out of
// their order, so the newest is told by what was there before).
fs::path NewCopy(const fs::path& folder, const std::vector<fs::path>& before) {
  std::vector<fs::path> added;
  for (const fs::path& copy : DatedCopies(folder)) {
    if (std::find(before.begin(), before.end(), copy) == before.end()) added.push_back(copy);
  }
  EXPECT_EQ(added.size(), 1u);
  return added.empty() ? fs::path() : added[0];
}

// The command named on the last line ("To restore them: q7310 …"), run by a shell with the
// tool under test first on PATH, without waiting for Enter. Returns its exit status.
int RunNamedCommand(const std::string& lastLine, std::string_view linePrefix,
                    std::unique_ptr<testing::Process>& tool) {
  EXPECT_EQ(lastLine.rfind(linePrefix, 0), 0u) << lastLine;
  const std::string command = lastLine.substr(linePrefix.size());
  EXPECT_EQ(command.rfind(std::string(texts::kCliProgram) + " ", 0), 0u) << command;
  const std::string tools = fs::path(Q7310_CLI_PATH).parent_path().string();
  tool = std::make_unique<testing::Process>(std::vector<std::string>{
      "/bin/sh", "-c", "PATH='" + tools + "':$PATH " + command + " --yes --reply-timeout 300"});
  return testing::WaitForTool(*tool);
}

// The restore command a run prints: `port` as the run named it ("--device /dev/pts/3"), the
// working folder as it named it, then the file.
std::string RestoreCommandFor(const std::string& port, const fs::path& folder,
                              const std::string& file) {
  return std::string(texts::kCliProgram) + " " + port + " --dir " + folder.string() + " " +
         std::string(texts::kCliRestoreFrom) + " " + file;
}

// `format` filled in with `first` (when given) up to its next place.
std::string Before(const char* format, std::string_view first = {}) {
  constexpr std::string_view kMark = "\x01";
  const std::string text =
      first.empty() ? FormatNumbered(format, {kMark}) : FormatNumbered(format, {first, kMark});
  return text.substr(0, text.find(kMark));
}

// When no dated copy can be written (the history folder is a file, a dangling link, or on a
// medium that cannot be written), a backup still succeeds (exit 0, "ok": true), and keeps its
// BACKUP.BIN, saying so last.
TEST_F(EndOfRun, ABackupWithoutDatedCopyKeepsBackupBinAndSaysSoLast) {
  keepFiles = false;
  struct Case {
    const char* name;
    std::function<bool(const fs::path& history)> make;  // false: cannot be made here
  };
  std::unique_ptr<SmallTmpfs> readOnly;
  const std::vector<Case> cases = {
      {"a regular file",
       [](const fs::path& history) {
         testing::WriteText(history, "x\n");
         return true;
       }},
      {"a dangling link",
       [](const fs::path& history) {
         fs::create_symlink("gone/backups", history);
         return true;
       }},
      {"a read-only medium",
       [&](const fs::path& history) {
         readOnly = std::make_unique<SmallTmpfs>(history, 1024 * 1024);
         return readOnly->Mounted() && readOnly->MakeReadOnly();
       }},
  };
  const std::string device = StartSim();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path folder = dir / c.name;
    fs::create_directories(folder);
    if (!c.make(folder / "backups")) {
      std::cout << "skipped the case of " << c.name << ": cannot mount a tmpfs here\n";
      continue;
    }
    const std::string backupBin = (folder / texts::kBackupFile).string();
    EXPECT_EQ(RunTool(device, folder, {"backup"}), 0) << ToolOutput();
    ASSERT_TRUE(fs::exists(backupBin)) << ToolOutput();
    const Bytes kept = ReadFile(backupBin);
    // The last line: kept, and why (the system's reason for the copy that failed).
    const std::string last = LastLines(tool->Stderr(), 1);
    EXPECT_EQ(last.rfind("warning: " + Before(texts::kFmtBackupBinKept, backupBin) +
                             Before(texts::kFmtNoCopyCouldBeKept),
                         0),
              0u)
        << ToolOutput();
    EXPECT_NE(last.find((folder / "backups").string()), std::string::npos) << last;

    // The same in JSON lines: the backup's result, then the event, last.
    EXPECT_EQ(RunTool(device, folder, {"backup"}, {"--json"}), 0) << ToolOutput();
    const std::vector<std::string> lines = Lines(tool->Stdout());
    ASSERT_GE(lines.size(), 2u);
    const nlohmann::json event = nlohmann::json::parse(lines.back());
    EXPECT_EQ(event.at("type"), "backup-bin-kept");
    EXPECT_EQ(event.at("path"), backupBin);
    EXPECT_EQ(event.at("reason").get<std::string>().rfind(Before(texts::kFmtNoCopyCouldBeKept), 0),
              0u);
    EXPECT_EQ(nlohmann::json::parse(lines[lines.size() - 2]),
              (nlohmann::json{{"type", "result"}, {"name", "backup"}, {"ok", true}}));
    // The second backup replaced the first (the same amplifier, the same bytes).
    EXPECT_EQ(ReadFile(backupBin), kept);
    readOnly.reset();
  }
  StopSim();
}

// On a disk too full for the dated copy, an update that fails half way leaves BACKUP.BIN as the
// only copy: it stays, and the last lines name it and the command that restores it, which does.
TEST_F(EndOfRun, AnUpdateFailingHalfWayOnAFullDiskLeavesBackupBinAndItsCommand) {
  const Bytes good = MakeGoodBackup(dir / "probe");
  keepFiles = false;
  const size_t firmware = fs::file_size(app / texts::kFirmwareFile);
  constexpr size_t kImageBytes = 64 * 1024;
  SmallTmpfs disk(dir / "disk", firmware + good.size() + kImageBytes + kRoomForNoCopy);
  if (!disk.Mounted()) GTEST_SKIP() << "cannot mount a small tmpfs: " << disk.Why();
  fs::copy_file(app / texts::kFirmwareFile, disk.Path() / texts::kFirmwareFile);

  const std::string device =
      StartSim({"--fail-at", kFailHalfWay, "--restore-out", (dir / "restore.out").string()});
  EXPECT_EQ(RunTool(device, disk.Path(), {"backup", "update", "restore"}), 1) << ToolOutput();
  EXPECT_TRUE(ToolShowedError(texts::kMsgUpdateFailed)) << ToolOutput();
  const std::string backupBin = (disk.Path() / texts::kBackupFile).string();
  EXPECT_EQ(ReadFile(backupBin), good) << "the only copy of the settings was deleted";
  EXPECT_FALSE(fs::exists(disk.Path() / texts::kUpdateFile));
  EXPECT_TRUE(DatedCopies(disk.Path() / "backups").empty());

  // Last: kept and why, then where the settings are and the command.
  const std::string how = RestoreCommandFor("--device " + device, disk.Path(), backupBin);
  const std::vector<std::string> last = Lines(LastLines(tool->Stderr(), 3));
  ASSERT_EQ(last.size(), 3u) << ToolOutput();
  EXPECT_EQ(last[0].rfind("warning: " + backupBin + " was kept: ", 0), 0u) << ToolOutput();
  EXPECT_NE(last[0].find(std::strerror(ENOSPC)), std::string::npos) << last[0];
  EXPECT_EQ(last[1] + "\n" + last[2], NoteWhereSettingsAre(backupBin, false, how).text);

  // The command restores exactly what the backup read.
  EXPECT_EQ(RunNamedCommand(last[2], FormatNumbered(texts::kFmtToRestoreThem, {""}), tool), 0)
      << ToolOutput();
  StopSim();
  EXPECT_EQ(ReadFile(dir / "restore.out"), good);
  EXPECT_TRUE(fs::exists(backupBin)) << "a restore from the file does not delete it";
}

// With a dated copy, BACKUP.BIN goes as usual, and the last lines after a failed or cancelled
// update name the copy and the command, in plain and in JSON lines.
TEST_F(EndOfRun, AFailedOrCancelledUpdateNamesTheDatedCopyAndTheCommandLast) {
  keepFiles = false;
  const fs::path history = app / "backups";
  {
    SCOPED_TRACE("failed half way");
    const std::string device =
        StartSim({"--fail-at", kFailHalfWay, "--restore-out", (dir / "restore.out").string()});
    EXPECT_EQ(RunTool(device, app, {"backup", "update", "restore"}), 1) << ToolOutput();
    EXPECT_FALSE(fs::exists(app / texts::kBackupFile));
    const fs::path copy = NewCopy(history, {});
    const std::string how = RestoreCommandFor("--device " + device, app, copy.string());
    const std::string note = NoteWhereSettingsAre(copy.string(), true, how).text;
    EXPECT_EQ(LastLines(tool->Stderr(), 2), note + "\n") << ToolOutput();
    EXPECT_EQ(RunNamedCommand(Lines(note + "\n").back(),
                              FormatNumbered(texts::kFmtToRestoreThem, {""}), tool),
              0)
        << ToolOutput();
    StopSim();
    EXPECT_EQ(ReadFile(dir / "restore.out"), ReadFile(copy));
  }
  {
    SCOPED_TRACE("failed half way, JSON lines, the port named with --port");
    const std::vector<fs::path> before = DatedCopies(history);
    const std::string device = StartSim({"--fail-at", kFailHalfWay});
    tool = std::make_unique<testing::Process>(
        std::vector<std::string>{Q7310_CLI_PATH, "--port", device, "--dir", app.string(), "--json",
                                 "--reply-timeout", "300", "backup", "update"});
    EXPECT_EQ(testing::WaitForTool(*tool), 1) << ToolOutput();
    StopSim();
    const fs::path copy = NewCopy(history, before);
    const nlohmann::json saved = nlohmann::json::parse(Lines(tool->Stdout()).back());
    EXPECT_EQ(saved.at("type"), "saved-settings");
    EXPECT_EQ(saved.at("path"), copy.string());
    EXPECT_EQ(saved.at("dated_copy"), true);
    // The port as the run was told it.
    EXPECT_EQ(saved.at("command"), RestoreCommandFor("--port " + device, app, copy.string()));
    EXPECT_EQ(saved.at("text"),
              NoteWhereSettingsAre(copy.string(), true, saved.at("command")).text);
  }
  {
    SCOPED_TRACE("cancelled with Ctrl-C");
    const std::vector<fs::path> before = DatedCopies(history);
    // Slow enough replies that the update is still under way when Ctrl-C comes.
    const std::string device = StartSim({"--delay-ms", "5"});
    tool = StartTool(device, app, {"backup", "update"});
    ASSERT_TRUE(WaitForLine(*tool, "transmitted", kProgressWithinMs)) << ToolOutput();
    tool->Signal(SIGINT);
    EXPECT_EQ(testing::WaitForTool(*tool), 1) << ToolOutput();
    StopSim();
    const fs::path copy = NewCopy(history, before);
    const std::vector<std::string> last = Lines(LastLines(tool->Stderr(), 3));
    ASSERT_EQ(last.size(), 3u) << ToolOutput();
    EXPECT_EQ(last[0], texts::kCancelled);
    EXPECT_EQ(last[1], FormatNumbered(texts::kFmtSettingsSavedIn, {copy.string()}));
  }
}

// A restore that finds no BACKUP.BIN names the newest dated copy and its command in its detail.
TEST_F(EndOfRun, ARestoreWithoutBackupBinNamesTheNewestDatedCopy) {
  keepFiles = false;
  const std::string device = StartSim();
  // Two backups, each leaving only its dated copy.
  EXPECT_EQ(RunTool(device, app, {"backup"}), 0) << ToolOutput();
  const std::vector<fs::path> first = DatedCopies(app / "backups");
  EXPECT_EQ(RunTool(device, app, {"backup"}), 0) << ToolOutput();
  const fs::path newest = NewCopy(app / "backups", first);
  ASSERT_FALSE(fs::exists(app / texts::kBackupFile));

  EXPECT_EQ(RunTool(device, app, {"restore"}), 1) << ToolOutput();
  EXPECT_TRUE(ToolShowedError(texts::kMsgBackupFileFailed)) << ToolOutput();
  const std::string how = RestoreCommandFor("--device " + device, app, newest.string());
  const std::vector<std::string> lines = Lines(NewestCopyText(newest.string(), how) + "\n");
  ASSERT_EQ(lines.size(), 2u);
  // Under the detail's first line, the reason.
  const std::string& err = tool->Stderr();
  EXPECT_NE(err.find("  detail: " + (app / texts::kBackupFile).string() + ": no such file\n" +
                     "          " + lines[0] + "\n          " + lines[1] + "\n"),
            std::string::npos)
      << err;
  StopSim();
}

}  // namespace
}  // namespace q7310
