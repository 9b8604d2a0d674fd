// Test helpers for the serial link: a receiver that queues frames for the test thread, a
// scripted fake device, and a pseudo-terminal pair whose far end the test plays.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "serial/frame_assembler.h"
#include "serial/serial_device.h"
#include "serial/serial_port.h"

namespace q7310::test {

using Bytes = std::vector<uint8_t>;
using namespace std::chrono_literals;

// An upper bound for waits on the receive thread; a passing test never comes near it.
inline constexpr auto kPatience = 5s;

// Collects delivered frames; the test thread waits for them.
class FrameQueue : public IFrameReceiver {
 public:
  void PostFrame(uint32_t status, std::vector<uint8_t> frame) override {
    std::lock_guard lock(m_mutex);
    m_frames.push_back({status, std::move(frame)});
    m_cv.notify_all();
  }

  // The next frame, or nothing if none comes within `timeout`.
  std::optional<ReceivedFrame> Next(std::chrono::milliseconds timeout = kPatience) {
    std::unique_lock lock(m_mutex);
    if (!m_cv.wait_for(lock, timeout, [&] { return !m_frames.empty(); })) return std::nullopt;
    ReceivedFrame f = std::move(m_frames.front());
    m_frames.pop_front();
    return f;
  }

  size_t Pending() {
    std::lock_guard lock(m_mutex);
    return m_frames.size();
  }

 private:
  std::mutex m_mutex;
  std::condition_variable m_cv;
  std::deque<ReceivedFrame> m_frames;
};

// A device whose reads the test scripts. The state lives in a shared record, so the test can
// look at it after CSerialPort has destroyed the device.
struct FakeLine {
  struct Chunk {
    Bytes bytes;
    uint32_t lineErrors = 0;
    bool hangUp = false;
  };

  std::mutex mutex;
  std::condition_variable cv;
  // Script.
  SerialError openError = SerialError::None;
  bool failWrites = false;
  std::deque<Chunk> chunks;
  bool woken = false;
  // Record.
  int created = 0;
  int opens = 0;
  int closes = 0;
  bool readerInside = false;
  bool closedWhileReading = false;
  std::string path;
  LineSettings settings;
  Bytes written;

  void Feed(Chunk chunk) {
    std::lock_guard lock(mutex);
    chunks.push_back(std::move(chunk));
    cv.notify_all();
  }

  // Waits until the reader has taken every chunk and come back for more, so that what it read
  // has been handled.
  bool WaitUntilTaken() {
    std::unique_lock lock(mutex);
    return cv.wait_for(lock, kPatience, [&] { return chunks.empty() && readerInside; });
  }
};

class FakeSerialDevice : public SerialDevice {
 public:
  explicit FakeSerialDevice(std::shared_ptr<FakeLine> line) : m_line(std::move(line)) {}

  SerialError Open(const std::string& path, const LineSettings& settings,
                   std::string& detail) override {
    std::lock_guard lock(m_line->mutex);
    m_line->path = path;
    m_line->settings = settings;
    if (m_line->openError != SerialError::None) {
      detail = path + ": scripted failure";
      return m_line->openError;
    }
    ++m_line->opens;
    m_open = true;
    return SerialError::None;
  }
  void Close() override {
    std::lock_guard lock(m_line->mutex);
    if (!m_open) return;
    m_open = false;
    ++m_line->closes;
    if (m_line->readerInside) m_line->closedWhileReading = true;
  }
  bool IsOpen() const override { return m_open; }
  bool Write(const uint8_t* data, size_t count) override {
    std::lock_guard lock(m_line->mutex);
    if (m_line->failWrites) {
      return false;
    }
    m_line->written.insert(m_line->written.end(), data, data + count);
    return true;
  }
  std::string LastWriteError() const override {
    return DescribeWriteFailure(WriteFailure::Disconnected, std::strerror(EIO));
  }
  ReadResult WaitAndRead(uint8_t* buffer, size_t capacity) override {
    std::unique_lock lock(m_line->mutex);
    m_line->readerInside = true;
    m_line->cv.notify_all();
    m_line->cv.wait(lock, [&] { return m_line->woken || !m_line->chunks.empty(); });
    ReadResult r;
    if (m_line->woken) {
      m_line->woken = false;
      r.woken = true;
    } else {
      FakeLine::Chunk c = std::move(m_line->chunks.front());
      m_line->chunks.pop_front();
      r.count = std::min(capacity, c.bytes.size());
      std::copy_n(c.bytes.begin(), r.count, buffer);
      r.lineErrors = c.lineErrors;
      r.hungUp = c.hangUp;
    }
    m_line->readerInside = false;
    return r;
  }
  void Wake() override {
    std::lock_guard lock(m_line->mutex);
    m_line->woken = true;
    m_line->cv.notify_all();
  }

 private:
  std::shared_ptr<FakeLine> m_line;
  bool m_open = false;
};

inline CSerialPort::DeviceFactory FakeFactory(std::shared_ptr<FakeLine> line) {
  return [line] {
    {
      std::lock_guard lock(line->mutex);
      ++line->created;
    }
    return std::make_unique<FakeSerialDevice>(line);
  };
}

// A pseudo-terminal pair: the link opens the slave by its path, the test plays the amplifier on
// the master.
class PtyPair {
 public:
  PtyPair() {
    if (::openpty(&m_master, &m_slave, nullptr, nullptr, nullptr) != 0) return;
    m_path = ::ttyname(m_slave);
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
  }
  ~PtyPair() {
    CloseMaster();
    if (m_slave >= 0) ::close(m_slave);
  }
  PtyPair(const PtyPair&) = delete;
  PtyPair& operator=(const PtyPair&) = delete;

  bool ok() const { return m_master >= 0 && !m_path.empty(); }
  const std::string& path() const { return m_path; }
  int master() const { return m_master; }
  int slave() const { return m_slave; }  // kept open by the test, to look at the settings

  void CloseMaster() {
    if (m_master >= 0) ::close(m_master);
    m_master = -1;
  }

  // Writes bytes as the far end.
  bool Send(const Bytes& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = ::write(m_master, bytes.data() + done, bytes.size() - done);
      if (n > 0) {
        done += static_cast<size_t>(n);
      } else if (n < 0 && errno != EINTR && errno != EAGAIN) {
        return false;
      }
    }
    return true;
  }

  // Reads exactly n bytes that the link sent, or fewer if they do not come within `timeout`.
  Bytes Receive(size_t n, std::chrono::milliseconds timeout = kPatience) {
    Bytes out;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (out.size() < n) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) break;
      pollfd p{m_master, POLLIN, 0};
      if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
      uint8_t buf[512];
      const ssize_t got = ::read(m_master, buf, std::min(sizeof buf, n - out.size()));
      if (got > 0) out.insert(out.end(), buf, buf + got);
    }
    return out;
  }

 private:
  int m_master = -1;
  int m_slave = -1;
  std::string m_path;
};

}  // namespace q7310::test
