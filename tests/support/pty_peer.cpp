#include "support/pty_peer.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <stdexcept>

namespace q7310::testing {

namespace {

using Clock = std::chrono::steady_clock;

int MillisecondsLeft(Clock::time_point deadline) {
  const auto left =
      std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

}  // namespace

PtyPeer::PtyPeer(unsigned short columns) {
  winsize size{};
  size.ws_col = columns;
  size.ws_row = 24;
  char name[256] = {};
  if (::openpty(&m_master, &m_slave, name, nullptr, columns != 0 ? &size : nullptr) != 0)
    throw std::runtime_error("openpty failed");
  m_path = name;
  // Programs the test starts get the slave only where the test hands it to them.
  ::fcntl(m_master, F_SETFD, FD_CLOEXEC);
  ::fcntl(m_slave, F_SETFD, FD_CLOEXEC);
  ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
}

PtyPeer::~PtyPeer() {
  HangUp();
  CloseSlave();
}

void PtyPeer::HangUp() {
  if (m_master >= 0) ::close(m_master);
  m_master = -1;
}

void PtyPeer::CloseSlave() {
  if (m_slave >= 0) ::close(m_slave);
  m_slave = -1;
}

bool PtyPeer::Send(const std::vector<uint8_t>& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(m_master, bytes.data() + done, bytes.size() - done);
    if (n > 0) {
      done += static_cast<size_t>(n);
    } else if (n < 0 && errno == EAGAIN) {
      pollfd p{m_master, POLLOUT, 0};
      ::poll(&p, 1, static_cast<int>(kPatience.count()));
    } else if (n < 0 && errno != EINTR) {
      return false;
    }
  }
  return true;
}

size_t PtyPeer::ReadSome(uint8_t* buffer, size_t capacity, std::chrono::milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  for (;;) {
    pollfd p{m_master, POLLIN, 0};
    const int ready = ::poll(&p, 1, MillisecondsLeft(deadline));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return 0;
    const ssize_t n = ::read(m_master, buffer, capacity);
    if (n > 0) return static_cast<size_t>(n);
    // EIO once every copy of the slave side is closed.
    if (n == 0 || (errno != EAGAIN && errno != EINTR)) return 0;
  }
}

std::vector<uint8_t> PtyPeer::Receive(size_t count, std::chrono::milliseconds timeout) {
  std::vector<uint8_t> out;
  const auto deadline = Clock::now() + timeout;
  uint8_t buffer[512];
  while (out.size() < count) {
    const int left = MillisecondsLeft(deadline);
    if (left == 0) break;
    const size_t n = ReadSome(buffer, std::min(sizeof buffer, count - out.size()),
                              std::chrono::milliseconds(left));
    out.insert(out.end(), buffer, buffer + n);
  }
  return out;
}

std::string PtyPeer::ReceiveUntilQuiet(std::chrono::milliseconds quiet) {
  std::string out;
  char buffer[4096];
  while (const size_t n = ReadSome(reinterpret_cast<uint8_t*>(buffer), sizeof buffer, quiet)) {
    out.append(buffer, n);
  }
  return out;
}

std::optional<ReceivedFrame> PtyPeer::ReadFrame(int timeoutMs) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    while (m_pos < m_pending.size()) {
      if (auto frame = m_assembler.ProcessByte(m_pending[m_pos++])) return frame;
    }
    m_pending.resize(512);
    m_pos = 0;
    const int left = MillisecondsLeft(deadline);
    const size_t n =
        left == 0 ? 0
                  : ReadSome(m_pending.data(), m_pending.size(), std::chrono::milliseconds(left));
    m_pending.resize(n);
    if (n == 0) return std::nullopt;
  }
}

std::vector<ReceivedFrame> PtyPeer::DrainFrames(int quietMs) {
  std::vector<ReceivedFrame> frames;
  while (auto frame = ReadFrame(quietMs)) frames.push_back(std::move(*frame));
  return frames;
}

}  // namespace q7310::testing
