// Runs a real program with its standard output (and, when asked, its standard error) on a real
// pseudo-terminal, and returns everything it drew there: carriage returns, control sequences and
// all. The input is /dev/null. POSIX only.
#pragma once

#include <fcntl.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <utility>
#include <vector>

#include "support/pty_peer.h"

namespace q7310::testing {

struct TerminalRun {
  unsigned short columns = 80;
  bool errorsToo = false;  // standard error on the terminal as well (else /dev/null)
  // Variables set (a value) or removed (null) in the program's environment.
  std::vector<std::pair<std::string, const char*>> environment = {};
};

inline std::string RunOnTerminal(const std::vector<std::string>& args, const TerminalRun& run) {
  PtyPeer terminal(run.columns);
  const pid_t pid = ::fork();
  if (pid == 0) {
    for (const auto& [name, value] : run.environment) {
      if (value != nullptr) {
        ::setenv(name.c_str(), value, 1);
      } else {
        ::unsetenv(name.c_str());
      }
    }
    const int devnull = ::open("/dev/null", O_RDWR);
    ::dup2(devnull, STDIN_FILENO);
    ::dup2(terminal.SlaveFd(), STDOUT_FILENO);
    ::dup2(run.errorsToo ? terminal.SlaveFd() : devnull, STDERR_FILENO);
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  // The drawing ends when the program exits and closes the terminal (the master then reads EIO).
  terminal.CloseSlave();
  const std::string drawn = terminal.ReceiveUntilQuiet(std::chrono::seconds(60));
  ::waitpid(pid, nullptr, 0);
  return drawn;
}

}  // namespace q7310::testing
