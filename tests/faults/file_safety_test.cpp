// File safety, end to end: a run deletes at exit only the files it wrote, a cut backup is never
// restored, a second program on a folder in use is refused before it touches anything, and a
// trace is appended to its file and never written over one of the program's own files.
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/texts.h"
#include "app/work_folder.h"
#include "faults/fault_fixture.h"
#include "util/folder_lock.h"

namespace q7310 {
namespace {

namespace fs = std::filesystem;
using testing::Bytes;
using testing::FaultTest;
using testing::ReadFile;
using testing::WriteFile;

using FileSafety = FaultTest;

const Bytes kStaged = {'s', 't', 'a', 'g', 'e', 'd'};

std::vector<fs::path> SavedCopies(const fs::path& app) {
  std::vector<fs::path> copies;
  if (!fs::exists(app / "backups")) return copies;
  for (const auto& e : fs::directory_iterator(app / "backups")) copies.push_back(e.path());
  return copies;
}

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

TEST_F(FileSafety, RunsDeleteOnlyTheFilesTheyWrote) {
  const Bytes customer = MakeGoodBackup(app);
  const fs::path saved = SavedCopies(app).at(0);
  WriteFile(app / texts::kUpdateFile, kStaged);
  keepFiles = false;

  // A start that fails (no such device), then a restore from a saved copy: neither wrote a file.
  EXPECT_EQ(RunTool((dir / "no-such-device").string(), app, {"backup"}), 1) << ToolOutput();
  EXPECT_EQ(ReadFile(app / texts::kBackupFile), customer);
  EXPECT_EQ(ReadFile(app / texts::kUpdateFile), kStaged);
  std::string device = StartSim();
  EXPECT_EQ(RunTool(device, app, {"restore", "--from", saved.string()}), 0) << ToolOutput();
  EXPECT_EQ(ReadFile(app / texts::kBackupFile), customer);
  EXPECT_EQ(ReadFile(app / texts::kUpdateFile), kStaged);

  // An update alone writes UPDATE.BIN (and deletes it), never BACKUP.BIN.
  EXPECT_EQ(RunTool(device, app, {"update"}), 0) << ToolOutput();
  EXPECT_EQ(ReadFile(app / texts::kBackupFile), customer);
  EXPECT_FALSE(fs::exists(app / texts::kUpdateFile));

  // A backup replaces BACKUP.BIN with its own, which lives for this run only; its dated copy
  // stays.
  EXPECT_EQ(RunTool(device, app, {"backup"}), 0) << ToolOutput();
  StopSim();
  EXPECT_FALSE(fs::exists(app / texts::kBackupFile));
  EXPECT_EQ(SavedCopies(app).size(), 2u);
}

TEST_F(FileSafety, RestoreFromACutCopyIsRefusedBeforeAnythingIsSent) {
  Bytes cut = MakeGoodBackup(app);
  cut.resize(cut.size() / 2);
  WriteFile(dir / "cut.bin", cut);
  WriteFile(dir / "empty.bin", {});
  const std::string device = StartSim({"--restore-out", (dir / "restore.out").string()});
  for (const char* name : {"cut.bin", "empty.bin"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(RunTool(device, app, {"restore", "--from", (dir / name).string()}), 1);
    EXPECT_TRUE(ToolShowedError(texts::kMsgBackupFileFailed)) << ToolOutput();
    EXPECT_NE(tool->Stderr().find("detail: " + (dir / name).string()), std::string::npos)
        << ToolOutput();
  }
  StopSim();
  EXPECT_NE(sim->Stderr().find("requests: 0 "), std::string::npos) << sim->Stderr();
}

TEST_F(FileSafety, SecondProgramOnAFolderInUseIsRefusedAndTouchesNothing) {
  const Bytes first = MakeGoodBackup(app);
  WriteFile(app / texts::kUpdateFile, kStaged);
  // An amplifier that never answers: the first run holds the folder while it waits.
  std::string device = StartSim({"--stop-after", "0"});
  replyTimeoutMs = "30000";
  auto holder = StartTool(device, app, {"backup"}, {"--json"});
  ASSERT_TRUE(WaitForLine(*holder, "\"type\":\"operation\"", 20000)) << holder->Stdout();

  keepFiles = false;
  replyTimeoutMs = "300";
  EXPECT_EQ(RunTool(device, app, {"backup"}), 1) << ToolOutput();
  EXPECT_NE(tool->Stderr().find("is working in the folder " + app.string()), std::string::npos)
      << ToolOutput();
  // Nothing but the working folder's name, which comes first in every run.
  EXPECT_EQ(tool->Stdout(), std::string(texts::kWorkingFolder) + app.string() + "\n")
      << ToolOutput();
  holder.reset();  // killed: the kernel drops its lock

  // The same refusal against a lock held by this test; no trace file is made either.
  FolderLock lock;
  ASSERT_EQ(lock.Take(app.string()), FolderLock::Result::kTaken);
  EXPECT_EQ(RunTool(device, app, {"restore"}, {"--trace", (dir / "trace.txt").string()}), 1);
  EXPECT_NE(tool->Stderr().find(app.string()), std::string::npos) << ToolOutput();
  EXPECT_FALSE(fs::exists(dir / "trace.txt"));
  StopSim();
  // The first run's one request; none from the refused ones.
  EXPECT_NE(sim->Stderr().find("requests: 1 "), std::string::npos) << sim->Stderr();
  EXPECT_EQ(ReadFile(app / texts::kBackupFile), first);
  EXPECT_EQ(ReadFile(app / texts::kUpdateFile), kStaged);

  // Released: the next run works in the folder, and keeps the files it did not write.
  lock.Release();
  device = StartSim();
  EXPECT_EQ(RunTool(device, app, {"restore"}), 0) << ToolOutput();
  StopSim();
  EXPECT_EQ(ReadFile(app / texts::kBackupFile), first);
  EXPECT_EQ(ReadFile(app / texts::kUpdateFile), kStaged);
}

TEST_F(FileSafety, TraceIsAppendedAndNeverWrittenOverTheProgramsFiles) {
  const fs::path trace = dir / "trace.txt";
  WriteFile(trace, {'k', 'e', 'p', 't', '\n'});
  const std::string device = StartSim();
  for (int run = 0; run < 2; ++run) {
    EXPECT_EQ(RunTool(device, app, {"backup"}, {"--trace", trace.string()}), 0) << ToolOutput();
  }
  const Bytes bytes = ReadFile(trace);
  const std::string text(bytes.begin(), bytes.end());
  EXPECT_EQ(text.rfind("kept\n# q7310 trace started ", 0), 0u) << text.substr(0, 200);
  EXPECT_EQ(Count(text, "# q7310 trace started "), 2u);
  EXPECT_EQ(Count(text, " by q7310 (pid "), 2u);
  const size_t second = text.find("# q7310 trace started ", 10);
  EXPECT_EQ(Count(text.substr(0, second), " TX CMD_READ_SLOT "), 9u);
  EXPECT_EQ(Count(text.substr(second), " TX CMD_READ_SLOT "), 9u);

  // The program's own files, under their names, through a link, a hard link to a dated copy,
  // and not yet existing.
  const fs::path saved = SavedCopies(app).at(0);
  fs::create_symlink(app / texts::kBackupFile, dir / "link.txt");
  fs::create_hard_link(saved, dir / "hard.txt");
  const fs::path own[] = {
      app / texts::kFirmwareFile, app / texts::kBackupFile, saved,
      dir / "link.txt",           dir / "hard.txt",         app / texts::kUpdateFile,
      app / "backups" / "new.txt"};
  for (const fs::path& path : own) {
    SCOPED_TRACE(path.string());
    const bool existed = fs::exists(path);
    const Bytes before = existed ? ReadFile(path) : Bytes();
    EXPECT_EQ(RunTool(device, app, {"backup"}, {"--trace", path.string()}), 1);
    EXPECT_NE(tool->Stderr().find("is one of the program's own files"), std::string::npos)
        << ToolOutput();
    EXPECT_EQ(fs::exists(path), existed);
    if (existed) {
      EXPECT_EQ(ReadFile(path), before);
    }
  }
  // The serial device itself, and a link to it.
  fs::create_symlink(device, dir / "adapter");
  for (const std::string& path : {device, (dir / "adapter").string()}) {
    SCOPED_TRACE(path);
    EXPECT_EQ(RunTool(device, app, {"backup"}, {"--trace", path}), 1);
    EXPECT_NE(tool->Stderr().find(FormatText(texts::kFmtTraceIsSerialDevice, path)),
              std::string::npos)
        << ToolOutput();
  }
  // A FIFO that no program reads: refused at once instead of a run that waits for a reader.
  const fs::path fifo = dir / "trace.fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(RunTool(device, app, {"backup"}, {"--trace", fifo.string()}), 1);
  EXPECT_NE(tool->Stderr().find(fifo.string() + ": a FIFO that no program reads"),
            std::string::npos)
      << ToolOutput();
  StopSim();
  EXPECT_NE(sim->Stderr().find("requests: 18 "), std::string::npos) << sim->Stderr();
}

TEST_F(FileSafety, StagedImageNeverDestroysAFile) {
  const Bytes customer = MakeGoodBackup(app);
  const fs::path saved = SavedCopies(app).at(0);
  const fs::path input = dir / "firmware.mot";
  fs::copy_file(app / texts::kFirmwareFile, input);
  fs::create_hard_link(saved, dir / "hard.bin");
  fs::create_hard_link(input, dir / "input-too.mot");
  ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
  WriteFile(dir / "old.bin", kStaged);
  const auto stage = [&](const fs::path& out, bool force) {
    std::vector<std::string> args = {"--dir",        app.string(), "image",
                                     input.string(), "--stage",    out.string()};
    if (force) args.push_back("--force");
    return RunCli(args);
  };
  struct Refusal {
    fs::path out;
    const char* text;
  };
  const Refusal refused[] = {
      {app / texts::kBackupFile, texts::kFmtStageIsOwnFile},
      {saved, texts::kFmtStageIsOwnFile},
      {dir / "hard.bin", texts::kFmtStageIsOwnFile},
      {app / texts::kFirmwareFile, texts::kFmtStageIsOwnFile},
      {app / "backups" / "new.bin", texts::kFmtStageIsOwnFile},
      {input, texts::kFmtStageIsInput},
      {dir / "input-too.mot", texts::kFmtStageIsInput},
      {dir / "fifo", texts::kFmtStageNotAFile},
      {"/dev/full", texts::kFmtStageNotAFile},
      {dir, texts::kFmtStageNotAFile},
  };
  for (const Refusal& r : refused) {
    SCOPED_TRACE(r.out.string());
    const bool existed = fs::is_regular_file(r.out);
    const Bytes before = existed ? ReadFile(r.out) : Bytes();
    EXPECT_EQ(stage(r.out, true), 1);
    EXPECT_NE(tool->Stderr().find(FormatText(r.text, r.out.string())), std::string::npos)
        << ToolOutput();
    EXPECT_EQ(tool->Stdout(), "");  // refused before the firmware file is read
    if (existed) {
      EXPECT_EQ(ReadFile(r.out), before);
    }
  }
  EXPECT_EQ(ReadFile(app / texts::kBackupFile), customer);
  EXPECT_FALSE(fs::exists(app / "backups" / "new.bin"));
  EXPECT_TRUE(fs::exists("/dev/full") && !fs::is_regular_file("/dev/full"));

  // An existing file only with --force; a new one at once. Both hold what an update sends.
  EXPECT_EQ(stage(dir / "old.bin", false), 1);
  EXPECT_NE(tool->Stderr().find(FormatText(texts::kFmtStageExists, (dir / "old.bin").string())),
            std::string::npos)
      << ToolOutput();
  EXPECT_EQ(ReadFile(dir / "old.bin"), kStaged);
  EXPECT_EQ(stage(dir / "old.bin", true), 0) << ToolOutput();
  EXPECT_EQ(stage(dir / "new.bin", false), 0) << ToolOutput();
  const std::string device = StartSim();
  EXPECT_EQ(RunTool(device, app, {"update"}), 0) << ToolOutput();
  StopSim();
  EXPECT_EQ(ReadFile(dir / "old.bin"), ReadFile(dir / "image.out"));
  EXPECT_EQ(ReadFile(dir / "new.bin"), ReadFile(dir / "image.out"));
  for (const auto& entry : fs::directory_iterator(dir)) {
    EXPECT_EQ(entry.path().filename().string().find(".tmp-"), std::string::npos) << entry.path();
  }
}

TEST_F(FileSafety, ALockThatCannotBeTakenIsARefusal) {
  const Bytes customer = MakeGoodBackup(app);
  fs::remove(app / kFolderLockFile);
  fs::create_directories(app / kFolderLockFile);  // a folder in the lock file's place
  const std::string device = StartSim();
  for (const char* op : {"backup", "restore"}) {
    SCOPED_TRACE(op);
    EXPECT_EQ(RunTool(device, app, {op}), 1);
    EXPECT_NE(tool->Stderr().find(FormatText(texts::kFmtFolderNotLockable, app.string())),
              std::string::npos)
        << ToolOutput();
    EXPECT_NE(tool->Stderr().find((app / kFolderLockFile).string()), std::string::npos)
        << ToolOutput();
  }
  StopSim();
  EXPECT_NE(sim->Stderr().find("requests: 0 "), std::string::npos) << sim->Stderr();
  EXPECT_EQ(ReadFile(app / texts::kBackupFile), customer);
}

TEST_F(FileSafety, ARestoreRunsUnlockedOnlyInAFolderNobodyCanWrite) {
  const Bytes customer = MakeGoodBackup(app);
  testing::SmallTmpfs medium(dir / "medium", 1 << 20);
  if (!medium.Mounted()) GTEST_SKIP() << "cannot mount a tmpfs here: " << medium.Why();
  fs::copy_file(app / texts::kBackupFile, medium.Path() / texts::kBackupFile);
  ASSERT_TRUE(medium.MakeReadOnly()) << medium.Why();
  const std::string device = StartSim({"--restore-out", (dir / "restore.out").string()});
  EXPECT_EQ(RunTool(device, medium.Path(), {"restore"}), 0) << ToolOutput();
  EXPECT_NE(tool->Stderr().find("warning: cannot open"), std::string::npos) << ToolOutput();
  // A backup there is refused at the folder check, before any lock.
  EXPECT_EQ(RunTool(device, medium.Path(), {"backup"}), 1);
  EXPECT_TRUE(ToolShowedError(texts::kMsgFolderUnusable)) << ToolOutput();
  StopSim();
  EXPECT_EQ(ReadFile(dir / "restore.out"), customer);
}

TEST_F(FileSafety, TheWriteCheckLeavesNoStrayFile) {
  // A scratch file that a killed run of an earlier version left is removed by the next run.
  testing::WriteFile(app / ".q7310-Ab12Cd", {});
  keepFiles = false;
  EXPECT_EQ(RunTool((dir / "no-such-device").string(), app, {"backup"}), 1) << ToolOutput();
  EXPECT_FALSE(fs::exists(app / ".q7310-Ab12Cd"));
  // A run killed at its first file removal: the write check has nothing to remove, so nothing
  // to leave.
  if (testing::StracePath().empty())
    GTEST_SKIP() << "strace is not installed (tools/setup installs it)";
  const std::vector<std::string> before = Names(app);
  wrapper = testing::UnderStrace({"-e", "inject=unlink:signal=SIGKILL:when=1"});
  RunTool((dir / "no-such-device").string(), app, {"backup"});
  EXPECT_EQ(Names(app), before) << ToolOutput();
}

}  // namespace
}  // namespace q7310
