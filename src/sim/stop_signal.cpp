#include "sim/stop_signal.h"

#include <fcntl.h>
#include <unistd.h>

#include <csignal>

namespace q7310::sim {

namespace {
volatile std::sig_atomic_t g_stopRequested = 0;
int g_pipe[2] = {-1, -1};

void OnStopSignal(int) {
  g_stopRequested = 1;
  const char byte = 1;
  [[maybe_unused]] ssize_t n = ::write(g_pipe[1], &byte, 1);  // a full pipe already wakes the loop
}
}  // namespace

bool StopSignal::Install() {
  if (::pipe(g_pipe) != 0) return false;
  for (int fd : g_pipe) fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
  struct sigaction sa {};
  sa.sa_handler = OnStopSignal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = 0;  // no SA_RESTART: sleeps and polls return early
  return sigaction(SIGINT, &sa, nullptr) == 0 && sigaction(SIGTERM, &sa, nullptr) == 0;
}

int StopSignal::ReadFd() {
  return g_pipe[0];
}

bool StopSignal::Requested() {
  return g_stopRequested != 0;
}

}  // namespace q7310::sim
