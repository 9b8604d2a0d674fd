// SerialDevice on POSIX terminals (Linux first): termios set up raw, one small helper per
// setting, poll() retried on EINTR, the original settings restored on close.
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>
#ifdef __linux__
#include <linux/serial.h>
#endif

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <optional>

#include "serial/envelope.h"
#include "serial/serial_device.h"

namespace q7310 {
namespace {

// Added to a permission error's detail line.
constexpr const char* kPermissionHint =
    " (serial devices belong to the dialout group: add the user to it and log in again)";

// ---- termios helpers: each sets one thing and says whether it could -------------------------

bool SetBaudRate(termios& t, unsigned baudRate) {
  struct Speed {
    unsigned bps;
    speed_t code;
  };
  static constexpr std::array<Speed, 12> kSpeeds = {{{1200, B1200},
                                                     {2400, B2400},
                                                     {4800, B4800},
                                                     {9600, B9600},
                                                     {19200, B19200},
                                                     {38400, B38400},
                                                     {57600, B57600},
                                                     {115200, B115200},
                                                     {230400, B230400},
                                                     {460800, B460800},
                                                     {921600, B921600},
                                                     {300, B300}}};
  for (const Speed& s : kSpeeds) {
    if (s.bps == baudRate) return cfsetispeed(&t, s.code) == 0 && cfsetospeed(&t, s.code) == 0;
  }
  return false;
}

bool SetDataBits(termios& t, uint8_t byteSize) {
  tcflag_t size;
  switch (byteSize) {
    case 5:
      size = CS5;
      break;
    case 6:
      size = CS6;
      break;
    case 7:
      size = CS7;
      break;
    case 8:
      size = CS8;
      break;
    default:
      return false;
  }
  t.c_cflag = (t.c_cflag & ~CSIZE) | size;
  return true;
}

bool SetParity(termios& t, uint8_t parity, bool check) {
  t.c_cflag &= ~(PARENB | PARODD);
  t.c_iflag &= ~(INPCK | IGNPAR | PARMRK);
  switch (parity) {
    case kNoParity:
      break;
    case kOddParity:
      t.c_cflag |= PARENB | PARODD;
      break;
    case kEvenParity:
      t.c_cflag |= PARENB;
      break;
    default:
      return false;  // mark and space parity are not offered
  }
  // A byte with a bad parity is counted (line errors) and delivered as 0, not dropped.
  if (check) t.c_iflag |= INPCK;
  return true;
}

bool SetStopBits(termios& t, uint8_t stopBits) {
  switch (stopBits) {
    case kOneStopBit:
      t.c_cflag &= ~CSTOPB;
      return true;
    case kTwoStopBits:
      t.c_cflag |= CSTOPB;
      return true;
    default:
      return false;  // one and a half stop bits have no termios setting
  }
}

void SetNoFlowControl(termios& t) {
  t.c_cflag &= ~CRTSCTS;
  t.c_iflag &= ~(IXON | IXOFF | IXANY);
}

// Which settings a device must have taken: tcsetattr succeeds when any one of them was applied.
bool SameLineSettings(const termios& want, const termios& have) {
  constexpr tcflag_t kCflags = CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS | CLOCAL | CREAD;
  return (want.c_cflag & kCflags) == (have.c_cflag & kCflags) &&
         cfgetispeed(&want) == cfgetispeed(&have) && cfgetospeed(&want) == cfgetospeed(&have);
}

SerialError ErrorFromErrno(int err) {
  switch (err) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
      return SerialError::NotFound;
    case EACCES:
    case EPERM:
    case EROFS:
      return SerialError::PermissionDenied;
    case EBUSY:
    case EWOULDBLOCK:
      return SerialError::Busy;
    case ENOTTY:
      return SerialError::NotASerialPort;
    default:
      return SerialError::IoError;
  }
}

WriteFailure WriteFailureFromErrno(int err) {
  switch (err) {
    case EIO:
    case ENXIO:
    case ENODEV:
    case EPIPE:
      return WriteFailure::Disconnected;
    case ETIMEDOUT:
    case EAGAIN:
      return WriteFailure::TimedOut;
    default:
      return WriteFailure::Other;
  }
}

// ---- line-error counters (Linux serial drivers; pseudo-terminals have none) ------------------

struct LineCounters {
  int frame = 0, overrun = 0, parity = 0, brk = 0, bufOverrun = 0;
};

bool ReadLineCounters(int fd, LineCounters& out) {
#ifdef __linux__
  serial_icounter_struct ic{};
  if (::ioctl(fd, TIOCGICOUNT, &ic) != 0) return false;
  out = {ic.frame, ic.overrun, ic.parity, ic.brk, ic.buf_overrun};
  return true;
#else
  (void)fd;
  (void)out;
  return false;
#endif
}

// The line-error bits (kLine...) of the counters that went up.
uint32_t LineErrorBits(const LineCounters& before, const LineCounters& now) {
  uint32_t bits = 0;
  if (now.frame != before.frame) bits |= kLineFrame;
  if (now.overrun != before.overrun) bits |= kLineOverrun;
  if (now.parity != before.parity) bits |= kLineRxParity;
  if (now.brk != before.brk) bits |= kLineBreak;
  if (now.bufOverrun != before.bufOverrun) bits |= kLineRxOver;
  return bits;
}

// ---- driver latency (Linux serial drivers; USB adapters hold bytes for up to 16 ms otherwise) --

// Asks the driver to pass received bytes on at once. Returns the flags to restore on close, or
// nothing where the driver has no such setting (pseudo-terminals, other systems).
std::optional<int> RequestLowLatency(int fd) {
#ifdef __linux__
  serial_struct ss{};
  if (::ioctl(fd, TIOCGSERIAL, &ss) != 0) return std::nullopt;
  const int original = ss.flags;
  if (original & ASYNC_LOW_LATENCY) return std::nullopt;
  ss.flags |= ASYNC_LOW_LATENCY;
  if (::ioctl(fd, TIOCSSERIAL, &ss) != 0) return std::nullopt;
  return original;
#else
  (void)fd;
  return std::nullopt;
#endif
}

void RestoreLatency(int fd, int flags) {
#ifdef __linux__
  serial_struct ss{};
  if (::ioctl(fd, TIOCGSERIAL, &ss) != 0) return;
  ss.flags = flags;
  ::ioctl(fd, TIOCSSERIAL, &ss);
#else
  (void)fd;
  (void)flags;
#endif
}

void CloseFd(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

class PosixSerialDevice final : public SerialDevice {
 public:
  ~PosixSerialDevice() override { Close(); }

  SerialError Open(const std::string& path, const LineSettings& settings,
                   std::string& detail) override {
    Close();
    const SerialError error = OpenAndConfigure(path, settings, detail);
    if (error != SerialError::None) Close();
    return error;
  }

  void Close() override {
    if (m_fd >= 0) {
      ::tcflush(m_fd, TCIOFLUSH);
      if (m_restore) ::tcsetattr(m_fd, TCSANOW, &m_original);
      if (m_originalSerialFlags) RestoreLatency(m_fd, *m_originalSerialFlags);
      ::ioctl(m_fd, TIOCNXCL);
    }
    m_restore = false;
    m_originalSerialFlags.reset();
    CloseFd(m_fd);  // also releases the flock
    CloseFd(m_wakeRead);
    CloseFd(m_wakeWrite);
  }

  bool IsOpen() const override { return m_fd >= 0; }

  bool Write(const uint8_t* data, size_t count) override {
    if (WriteAll(data, count)) return true;
    const int err = errno;
    m_writeError = DescribeWriteFailure(WriteFailureFromErrno(err), std::strerror(err));
    return false;
  }

  std::string LastWriteError() const override { return m_writeError; }

  // Write, with errno telling why it failed.
  bool WriteAll(const uint8_t* data, size_t count) {
    if (m_fd < 0) {
      errno = EBADF;
      return false;
    }
    using Clock = std::chrono::steady_clock;
    using std::chrono::milliseconds;
    // Signed arithmetic throughout: an unsigned duration would turn "time is up" into "wait on".
    const auto deadline =
        Clock::now() + milliseconds(kWriteTimeoutPerByteMs) * static_cast<milliseconds::rep>(count);
    size_t done = 0;
    while (done < count) {
      const ssize_t n = ::write(m_fd, data + done, count - done);
      if (n > 0) {
        done += static_cast<size_t>(n);
        continue;
      }
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && errno != EAGAIN) return false;
      // The driver's queue is full: wait until it takes more, or the time runs out.
      const milliseconds left = std::chrono::ceil<milliseconds>(deadline - Clock::now());
      if (left.count() <= 0) {
        errno = ETIMEDOUT;
        return false;
      }
      pollfd p{m_fd, POLLOUT, 0};
      const int r =
          ::poll(&p, 1, static_cast<int>(std::min<milliseconds::rep>(left.count(), INT_MAX)));
      if (r < 0 && errno != EINTR) return false;
      if (r > 0 && (p.revents & (POLLERR | POLLHUP | POLLNVAL)) && !(p.revents & POLLOUT)) {
        errno = EIO;
        return false;
      }
    }
    return true;
  }

  ReadResult WaitAndRead(uint8_t* buffer, size_t capacity) override {
    ReadResult result;
    std::array<pollfd, 2> fds = {{{m_fd, POLLIN, 0}, {m_wakeRead, POLLIN, 0}}};
    for (;;) {
      if (::poll(fds.data(), fds.size(), -1) < 0) {
        if (errno == EINTR) continue;
        result.hungUp = true;
        return result;
      }
      if (fds[1].revents & POLLIN) {
        uint8_t drain[64];
        while (::read(m_wakeRead, drain, sizeof drain) > 0) {
        }
        result.woken = true;
        return result;
      }
      if (fds[0].revents & POLLIN) {
        const ssize_t n = ::read(m_fd, buffer, capacity);
        if (n > 0) {
          result.count = static_cast<size_t>(n);
          result.lineErrors = TakeLineErrors();
          return result;
        }
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        result.hungUp = true;  // end of file (hang-up) or a read error (EIO: unplugged)
        return result;
      }
      if (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) {
        result.hungUp = true;
        return result;
      }
    }
  }

  void Wake() override {
    if (m_wakeWrite < 0) return;
    const uint8_t one = 1;
    // A full pipe already wakes the reader, so a failed write loses nothing.
    [[maybe_unused]] const ssize_t n = ::write(m_wakeWrite, &one, 1);
  }

 private:
  SerialError Fail(SerialError error, const std::string& what, int err, std::string& detail) {
    detail = what + ": " + std::strerror(err);
    return error;
  }

  SerialError OpenAndConfigure(const std::string& path, const LineSettings& settings,
                               std::string& detail) {
    m_fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_fd < 0) {
      const int err = errno;
      const SerialError error = ErrorFromErrno(err);
      Fail(error, path, err, detail);
      // Serial devices belong to the dialout group; say so, the usual cure is joining it.
      if (error == SerialError::PermissionDenied) detail += kPermissionHint;
      return error;
    }

    // TIOCEXCL keeps out other programs but not root; the advisory lock also keeps out a second
    // copy of this program run as root.
    if (::flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
      const int err = errno;
      return Fail(ErrorFromErrno(err), path + " is in use", err, detail);
    }
    if (::tcgetattr(m_fd, &m_original) != 0) {
      const int err = errno;
      return Fail(
          err == ENOTTY || err == EINVAL ? SerialError::NotASerialPort : ErrorFromErrno(err), path,
          err, detail);
    }
    m_restore = true;
    if (::ioctl(m_fd, TIOCEXCL) != 0) {
      const int err = errno;
      return Fail(ErrorFromErrno(err), path, err, detail);
    }

    termios t = m_original;
    ::cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    // With O_NONBLOCK, VMIN 1 makes an empty read report EAGAIN, so 0 always means end of file.
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    SetNoFlowControl(t);
    if (!SetBaudRate(t, settings.baudRate)) {
      detail = path + ": unsupported baud rate " + std::to_string(settings.baudRate);
      return SerialError::ConfigFailed;
    }
    if (!SetDataBits(t, settings.byteSize) ||
        !SetParity(t, settings.parity, settings.parityCheck) ||
        !SetStopBits(t, settings.stopBits)) {
      detail = path + ": unsupported data bits, parity or stop bits";
      return SerialError::ConfigFailed;
    }
    if (::tcsetattr(m_fd, TCSANOW, &t) != 0) {
      const int err = errno;
      return Fail(SerialError::ConfigFailed, path, err, detail);
    }
    termios applied{};
    if (::tcgetattr(m_fd, &applied) != 0 || !SameLineSettings(t, applied)) {
      detail = path + ": the device did not take the line settings";
      return SerialError::ConfigFailed;
    }

    m_originalSerialFlags = RequestLowLatency(m_fd);

    // DTR and RTS held on. Pseudo-terminals have no modem lines and refuse this; that is fine.
    const int lines = TIOCM_DTR | TIOCM_RTS;
    ::ioctl(m_fd, TIOCMBIS, &lines);

    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0) {
      const int err = errno;
      return Fail(SerialError::IoError, "wake-up pipe", err, detail);
    }
    m_wakeRead = pipeFds[0];
    m_wakeWrite = pipeFds[1];

    m_haveCounters = ReadLineCounters(m_fd, m_counters);
    return SerialError::None;
  }

  uint32_t TakeLineErrors() {
    LineCounters now;
    if (!m_haveCounters || !ReadLineCounters(m_fd, now)) return 0;
    const uint32_t bits = LineErrorBits(m_counters, now);
    m_counters = now;
    return bits;
  }

  int m_fd = -1;
  std::string m_writeError;
  int m_wakeRead = -1;
  int m_wakeWrite = -1;
  termios m_original{};
  bool m_restore = false;
  std::optional<int> m_originalSerialFlags;  // driver flags before the low-latency request
  LineCounters m_counters;
  bool m_haveCounters = false;
};

}  // namespace

std::unique_ptr<SerialDevice> SerialDevice::Create() {
  return std::make_unique<PosixSerialDevice>();
}

std::string SerialDevice::PathForPortNumber(unsigned portNumber) {
  if (portNumber == 0) return {};
  return "/dev/ttyS" + std::to_string(portNumber - 1);
}

}  // namespace q7310
