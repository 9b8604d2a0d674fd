// File safety, end to end: a run deletes at exit only the files it wrote, a cut backup is never
// restored, a second program on a folder in use is refused before it touches anything, and a
// trace is appended to its file and never written over one of the program's own files.
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/texts.h"
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

  // The program's own files, under their names, through a link, and not yet existing.
  const fs::path saved = SavedCopies(app).at(0);
  fs::create_symlink(app / texts::kBackupFile, dir / "link.txt");
  const fs::path own[] = {
      app / texts::kFirmwareFile, app / texts::kBackupFile, saved,
      dir / "link.txt",           app / texts::kUpdateFile, app / "backups" / "new.txt"};
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
  StopSim();
  EXPECT_NE(sim->Stderr().find("requests: 18 "), std::string::npos) << sim->Stderr();
}

}  // namespace
}  // namespace q7310
