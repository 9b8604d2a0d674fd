// Runs a real program for end-to-end tests: arguments, captured output, a time limit.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace q7310::testing {

class Process {
 public:
  // Starts `args[0]` with the arguments; stdout and stderr are captured, stdin is `stdinFd` (for
  // example the far side of a pseudo-terminal) or, by default, /dev/null.
  explicit Process(const std::vector<std::string>& args, int stdinFd = -1) {
    int out[2], err[2];
    if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0)
      throw std::runtime_error("pipe failed");
    m_pid = ::fork();
    if (m_pid < 0) throw std::runtime_error("fork failed");
    if (m_pid == 0) {
      const int in = stdinFd >= 0 ? stdinFd : ::open("/dev/null", O_RDONLY);
      ::dup2(in, STDIN_FILENO);
      ::dup2(out[1], STDOUT_FILENO);
      ::dup2(err[1], STDERR_FILENO);
      std::vector<char*> argv;
      for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      ::execv(argv[0], argv.data());
      ::_exit(127);
    }
    ::close(out[1]);
    ::close(err[1]);
    m_out = out[0];
    m_err = err[0];
  }
  ~Process() {
    if (m_pid > 0 && !m_exited) {
      ::kill(m_pid, SIGKILL);
      ::waitpid(m_pid, nullptr, 0);
    }
    ::close(m_out);
    ::close(m_err);
  }
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  // The next line the program writes to stdout (without its newline), or "" on time-out.
  std::string ReadLine(int timeoutMs = 10000) { return NextLine(timeoutMs).value_or(""); }
  // The same, telling an empty line from a time-out (nothing).
  std::optional<std::string> NextLine(int timeoutMs = 10000) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
      const auto nl = m_stdout.find('\n', m_lineStart);
      if (nl != std::string::npos) {
        std::string line = m_stdout.substr(m_lineStart, nl - m_lineStart);
        m_lineStart = nl + 1;
        return line;
      }
      if (Clock::now() >= deadline) return std::nullopt;
      Pump(50);
    }
  }

  void Signal(int sig) { ::kill(m_pid, sig); }
  pid_t Pid() const { return m_pid; }

  // Waits for the program to end and returns its exit status (128 + signal when killed by one,
  // -1 when it did not end in time: it is then killed).
  int Wait(int timeoutMs = 60000) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!m_exited) {
      int status = 0;
      const pid_t r = ::waitpid(m_pid, &status, WNOHANG);
      if (r == m_pid) {
        m_exited = true;
        m_status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        break;
      }
      if (Clock::now() >= deadline) {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
        m_exited = true;
        m_status = -1;
        break;
      }
      Pump(20);
    }
    while (Pump(0)) {
    }
    return m_status;
  }

  const std::string& Stdout() const { return m_stdout; }
  const std::string& Stderr() const { return m_stderr; }

 private:
  using Clock = std::chrono::steady_clock;

  // Reads what is available on both pipes; false when neither had anything.
  bool Pump(int timeoutMs) {
    pollfd fds[2] = {{m_out, POLLIN, 0}, {m_err, POLLIN, 0}};
    if (::poll(fds, 2, timeoutMs) <= 0) return false;
    bool any = false;
    char buf[4096];
    if (fds[0].revents & (POLLIN | POLLHUP)) {
      const ssize_t n = ::read(m_out, buf, sizeof buf);
      if (n > 0) m_stdout.append(buf, static_cast<size_t>(n)), any = true;
    }
    if (fds[1].revents & (POLLIN | POLLHUP)) {
      const ssize_t n = ::read(m_err, buf, sizeof buf);
      if (n > 0) m_stderr.append(buf, static_cast<size_t>(n)), any = true;
    }
    return any;
  }

  pid_t m_pid = -1;
  int m_out = -1;
  int m_err = -1;
  bool m_exited = false;
  int m_status = -1;
  std::string m_stdout;
  std::string m_stderr;
  size_t m_lineStart = 0;
};

}  // namespace q7310::testing
