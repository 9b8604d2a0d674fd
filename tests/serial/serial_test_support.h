// Test helpers for the serial link: a receiver that queues frames for the test thread and a
// scripted fake device.
#pragma once

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
#include "support/bytes.h"
#include "support/patience.h"

namespace q7310::testing {

using namespace std::chrono_literals;

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

}  // namespace q7310::testing
