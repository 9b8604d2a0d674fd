// The fixture of the fault tests: a scratch folder with the firmware file, the real simulator on
// a pseudo-terminal, the real command-line tool, and a small tmpfs for the disk faults.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "support/files.h"
#include "support/process.h"
#include "support/sample_firmware.h"
#include "support/simulator.h"
#include "support/temp_folder.h"

namespace q7310::testing {

namespace fs = std::filesystem;

// A tmpfs of `bytes` bytes mounted at a new folder, unmounted and removed on destruction.
// Mounted() is false when this process may not mount (not root, no CAP_SYS_ADMIN, a container
// that forbids it); Why() then says what the system answered.
class SmallTmpfs {
 public:
  SmallTmpfs(const fs::path& at, size_t bytes);
  ~SmallTmpfs();
  SmallTmpfs(const SmallTmpfs&) = delete;
  SmallTmpfs& operator=(const SmallTmpfs&) = delete;
  bool Mounted() const { return m_mounted; }
  // Remounts it read-only, as a write-protected medium; false (with Why()) when it cannot.
  bool MakeReadOnly();
  const std::string& Why() const { return m_why; }
  const fs::path& Path() const { return m_path; }

 private:
  fs::path m_path;
  bool m_mounted = false;
  std::string m_why;
};

// The path of strace, or empty when it is not installed (the tests that run q7310 under it, to
// hold or kill it at one system call, skip then).
std::string StracePath();

// The command that runs a program under strace with `options`, its trace thrown away. The leak
// check of an AddressSanitizer build is off for the traced program: it cannot stop the world
// under ptrace and would end the run with an error of its own instead of the program's status.
std::vector<std::string> UnderStrace(const std::vector<std::string>& options);

class FaultTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Starts the simulator (format 1, seed 11) with the extra options; returns its device path.
  std::string StartSim(std::vector<std::string> extra = {});
  int StopSim();
  // Starts q7310 on `device` with the folder `appDir` and the operations; does not wait.
  std::unique_ptr<Process> StartTool(const std::string& device, const fs::path& appDir,
                                     std::vector<std::string> ops,
                                     std::vector<std::string> options = {});
  // Runs q7310 to its end; returns the exit status (the process stays in `tool`).
  int RunTool(const std::string& device, const fs::path& appDir, std::vector<std::string> ops,
              std::vector<std::string> options = {});
  // Runs q7310 with exactly these arguments (for image, inspect) to its end; returns the exit
  // status (the process stays in `tool`).
  int RunCli(std::vector<std::string> args);
  // Runs a backup into `appDir` against a fresh simulator and returns the good BACKUP.BIN.
  Bytes MakeGoodBackup(const fs::path& appDir);
  // Reads `process`'s output lines until one contains `text`; false when none did within
  // `timeoutMs`.
  static bool WaitForLine(Process& process, std::string_view text, int timeoutMs);
  // Whether the tool printed "ERROR: <text>".
  bool ToolShowedError(std::string_view text) const;
  // The tool's output, for failure messages.
  std::string ToolOutput() const;

  // The q7310 that `parent` (strace) runs, or 0 when none ran within `timeoutMs`.
  static pid_t ToolUnder(pid_t parent, int timeoutMs);
  // The names in `folder` (not below it), sorted.
  static std::vector<std::string> Names(const fs::path& folder);

  // What StartTool adds to the options given: --keep-files (unless a test turns it off), the
  // reply timer's period (short enough that a lost reply costs little, long enough for a loaded
  // machine) and --allow-sample, since the firmware file is the simulator's sample.
  bool keepFiles = true;
  std::string replyTimeoutMs = "300";
  // A program that StartTool and RunCli run q7310 under, with its arguments (strace ...).
  std::vector<std::string> wrapper;

  TempFolder scratch{"q7310-faults"};  // kept when the test failed
  const fs::path dir = scratch.Path();
  const fs::path app = dir / "app";  // holds the sample as Q7310_v201.mot
  std::unique_ptr<Simulator> sim;
  std::unique_ptr<Process> tool;
};

}  // namespace q7310::testing
