#include <sys/ioctl.h>
#include <sys/select.h>
#include <unistd.h>

#include <csignal>

#include "cli/console.h"

namespace q7310::cli {
namespace {

// Ctrl-C, kill's default, and the hang-up of a closed terminal or a lost SSH session.
constexpr int kEndSignals[] = {SIGINT, SIGTERM, SIGHUP};

void (*g_onInterrupt)() = nullptr;

}  // namespace

void InstallInterruptHandler(void (*onInterrupt)()) {
  g_onInterrupt = onInterrupt;
  struct sigaction sa {};
  sa.sa_handler = [](int) { g_onInterrupt(); };
  sigemptyset(&sa.sa_mask);
  // File writes go on where the signal found them; the waits (select, poll) wake up and look at
  // the flag.
  sa.sa_flags = SA_RESTART;
  for (int signal : kEndSignals) sigaction(signal, &sa, nullptr);
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  sigaction(SIGPIPE, &ignore, nullptr);
}

void InterruptHandled() {}

LineWait WaitForLine(unsigned timeoutMs) {
  fd_set set;
  FD_ZERO(&set);
  FD_SET(STDIN_FILENO, &set);
  timeval tv{static_cast<time_t>(timeoutMs / 1000),
             static_cast<suseconds_t>(timeoutMs % 1000 * 1000)};
  const int ready = ::select(STDIN_FILENO + 1, &set, nullptr, nullptr, &tv);
  if (ready <= 0) return LineWait::kNothing;
  char buf[256];
  const ssize_t n = ::read(STDIN_FILENO, buf, sizeof buf);
  return n > 0 ? LineWait::kLine : LineWait::kClosed;
}

int ConsoleColumns(std::FILE* out) {
  winsize size{};
  if (::ioctl(::fileno(out), TIOCGWINSZ, &size) == 0) return size.ws_col;
  return 0;
}

void EnableTerminalSequences(std::FILE*) {}

}  // namespace q7310::cli
