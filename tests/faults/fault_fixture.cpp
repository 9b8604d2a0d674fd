#include "faults/fault_fixture.h"

#include <sys/mount.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <thread>

#include "app/texts.h"
#include "support/tool_run.h"

namespace q7310::testing {

SmallTmpfs::SmallTmpfs(const fs::path& at, size_t bytes) : m_path(at) {
  fs::create_directories(m_path);
  const std::string options = "size=" + std::to_string(bytes);
  if (::mount("q7310-faults", m_path.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) ==
      0) {
    m_mounted = true;
  } else {
    m_why = std::strerror(errno);
  }
}

bool SmallTmpfs::MakeReadOnly() {
  if (::mount("q7310-faults", m_path.c_str(), "tmpfs",
              MS_REMOUNT | MS_RDONLY | MS_NOSUID | MS_NODEV, nullptr) == 0) {
    return true;
  }
  m_why = std::strerror(errno);
  return false;
}

SmallTmpfs::~SmallTmpfs() {
  if (m_mounted) ::umount2(m_path.c_str(), MNT_DETACH);
  std::error_code ec;
  fs::remove_all(m_path, ec);
}

void FaultTest::SetUp() {
  fs::create_directories(app);
  CopySampleFirmwareTo(app);
}

void FaultTest::TearDown() {
  tool.reset();
  sim.reset();
}

std::string FaultTest::StartSim(std::vector<std::string> extra) {
  std::vector<std::string> args = {"--format", "1",           "--seed",
                                   "11",       "--image-out", (dir / "image.out").string()};
  args.insert(args.end(), extra.begin(), extra.end());
  sim = std::make_unique<Simulator>(Q7310_SIM_PATH, args);
  EXPECT_FALSE(sim->Device().empty()) << sim->Stderr();
  return sim->Device();
}

int FaultTest::StopSim() {
  return sim->Stop();
}

std::unique_ptr<Process> FaultTest::StartTool(const std::string& device, const fs::path& appDir,
                                              std::vector<std::string> ops,
                                              std::vector<std::string> options) {
  std::vector<std::string> all = {"--reply-timeout", replyTimeoutMs, kAllowSample};
  if (keepFiles) all.push_back("--keep-files");
  all.insert(all.end(), options.begin(), options.end());
  std::vector<std::string> args = ToolCommand(Q7310_CLI_PATH, device, appDir, all, ops);
  args.insert(args.begin(), wrapper.begin(), wrapper.end());
  return std::make_unique<Process>(args);
}

int FaultTest::RunCli(std::vector<std::string> args) {
  args.insert(args.begin(), Q7310_CLI_PATH);
  args.insert(args.begin(), wrapper.begin(), wrapper.end());
  tool = std::make_unique<Process>(args);
  return WaitForTool(*tool);
}

std::string StracePath() {
  for (const char* path : {"/usr/bin/strace", "/bin/strace"}) {
    if (::access(path, X_OK) == 0) return path;
  }
  return {};
}

std::vector<std::string> UnderStrace(const std::vector<std::string>& options) {
  const char* asan = std::getenv("ASAN_OPTIONS");
  std::vector<std::string> command = {
      StracePath(),
      "-f",
      "-o",
      "/dev/null",
      "-E",
      std::string("ASAN_OPTIONS=") + (asan ? std::string(asan) + ":" : "") + "detect_leaks=0"};
  command.insert(command.end(), options.begin(), options.end());
  return command;
}

pid_t FaultTest::ToolUnder(pid_t parent, int timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  const fs::path children =
      fs::path("/proc") / std::to_string(parent) / "task" / std::to_string(parent) / "children";
  std::error_code ec;
  const fs::path tool = fs::canonical(Q7310_CLI_PATH, ec);
  while (std::chrono::steady_clock::now() < deadline) {
    // strace starts short-lived children of its own to try the system's features first.
    std::ifstream in(children);
    for (pid_t child = 0; in >> child;) {
      std::error_code gone;
      if (fs::read_symlink(fs::path("/proc") / std::to_string(child) / "exe", gone) == tool) {
        return child;
      }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return 0;
}

std::vector<std::string> FaultTest::Names(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

int FaultTest::RunTool(const std::string& device, const fs::path& appDir,
                       std::vector<std::string> ops, std::vector<std::string> options) {
  tool = StartTool(device, appDir, std::move(ops), std::move(options));
  return WaitForTool(*tool);
}

Bytes FaultTest::MakeGoodBackup(const fs::path& appDir) {
  fs::create_directories(appDir);
  const std::string device = StartSim();
  EXPECT_EQ(RunTool(device, appDir, {"backup"}), 0) << ToolOutput();
  StopSim();
  const Bytes backup = ReadFile(appDir / texts::kBackupFile);
  EXPECT_FALSE(backup.empty());
  return backup;
}

bool FaultTest::WaitForLine(Process& process, std::string_view text, int timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (std::chrono::steady_clock::now() < deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (process.ReadLine(static_cast<int>(left.count()) + 1).find(text) != std::string::npos)
      return true;
  }
  return false;
}

bool FaultTest::ToolShowedError(std::string_view text) const {
  return tool && tool->Stderr().find(MessageLine(texts::kCaptionError, text)) != std::string::npos;
}

std::string FaultTest::ToolOutput() const {
  return tool ? tool->Stdout() + tool->Stderr() : std::string("(no tool run)");
}

}  // namespace q7310::testing
