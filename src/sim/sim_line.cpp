#include "sim/sim_line.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace q7310::sim {

namespace {
std::string SystemError(const char* what) {
  return std::string(what) + ": " + std::strerror(errno);
}

// Raw 8N1 at the protocol's rate, receiver on, modem lines ignored, no flow control.
bool SetRaw(int fd) {
  termios t{};
  if (tcgetattr(fd, &t) != 0) return false;
  cfmakeraw(&t);
  t.c_cflag |= CLOCAL | CREAD;
  t.c_cflag &= ~(CSTOPB | PARENB | CRTSCTS);
  t.c_iflag &= ~(IXON | IXOFF | IXANY);
  t.c_cc[VMIN] = 1;
  t.c_cc[VTIME] = 0;
  cfsetispeed(&t, B57600);
  cfsetospeed(&t, B57600);
  return tcsetattr(fd, TCSANOW, &t) == 0;
}

void CloseFd(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}
}  // namespace

std::optional<SimLine> SimLine::OpenPseudoTerminal(std::string& error) {
  int master = posix_openpt(O_RDWR | O_NOCTTY);
  if (master < 0) {
    error = SystemError("posix_openpt");
    return std::nullopt;
  }
  const char* name = nullptr;
  if (grantpt(master) != 0 || unlockpt(master) != 0 || (name = ptsname(master)) == nullptr) {
    error = SystemError("pseudo-terminal setup");
    CloseFd(master);
    return std::nullopt;
  }
  std::string path = name;
  int slave = ::open(path.c_str(), O_RDWR | O_NOCTTY);
  if (slave < 0 || !SetRaw(slave) ||
      fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK) != 0) {
    error = SystemError(path.c_str());
    CloseFd(slave);
    CloseFd(master);
    return std::nullopt;
  }
  return SimLine(master, slave, std::move(path));
}

std::optional<SimLine> SimLine::OpenDevice(const std::string& path, std::string& error) {
  int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) {
    error = SystemError(path.c_str());
    return std::nullopt;
  }
  const int modemLines = TIOCM_DTR | TIOCM_RTS;
  if (ioctl(fd, TIOCEXCL) != 0 || !SetRaw(fd)) {
    error = SystemError(path.c_str());
    CloseFd(fd);
    return std::nullopt;
  }
  ioctl(fd, TIOCMBIS, &modemLines);  // not every device has modem lines; not an error
  return SimLine(fd, -1, path);
}

SimLine::SimLine(SimLine&& other) noexcept
    : m_fd(other.m_fd), m_keepOpenFd(other.m_keepOpenFd), m_path(std::move(other.m_path)) {
  other.m_fd = -1;
  other.m_keepOpenFd = -1;
}

SimLine::~SimLine() {
  Close();
}

void SimLine::Drain(int timeoutMs) {
  if (m_keepOpenFd < 0) {
    if (m_fd >= 0) tcdrain(m_fd);
    return;
  }
  // The slave's input queue holds what the client has not read yet. The kernel moves written
  // bytes there a moment after write() returns, so the queue is first given that moment.
  constexpr auto kPollStep = std::chrono::milliseconds(10);
  constexpr auto kPushGrace = std::chrono::milliseconds(50);
  std::this_thread::sleep_for(kPushGrace);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  int pending = 0;
  while (ioctl(m_keepOpenFd, FIONREAD, &pending) == 0 && pending > 0 &&
         std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(kPollStep);
  }
}

void SimLine::Close() {
  CloseFd(m_keepOpenFd);
  CloseFd(m_fd);
}

}  // namespace q7310::sim
