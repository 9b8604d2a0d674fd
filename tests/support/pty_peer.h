// The far end of a real pseudo-terminal, for tests of code that opens a serial device: the code
// under test opens DevicePath(), the test reads the frames it sends and writes bytes back.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "serial/envelope.h"
#include "serial/frame_assembler.h"

namespace q7310::testing {

class PtyPeer {
 public:
  PtyPeer() {
    int slave = -1;
    char name[256] = {};
    if (::openpty(&m_master, &slave, name, nullptr, nullptr) != 0)
      throw std::runtime_error("openpty failed");
    termios tio{};
    ::tcgetattr(slave, &tio);
    ::cfmakeraw(&tio);
    ::tcsetattr(slave, TCSANOW, &tio);
    // Keeping the slave open means the peer never sees a hang-up while the code under test
    // closes and reopens the device.
    m_slave = slave;
    m_path = name;
  }
  ~PtyPeer() {
    if (m_master >= 0) ::close(m_master);
    if (m_slave >= 0) ::close(m_slave);
  }
  PtyPeer(const PtyPeer&) = delete;
  PtyPeer& operator=(const PtyPeer&) = delete;

  const std::string& DevicePath() const { return m_path; }
  int MasterFd() const { return m_master; }

  // Closes the master side: the device hangs up, as an unplugged adapter does.
  void HangUp() {
    ::close(m_master);
    m_master = -1;
  }

  void WriteRaw(const std::vector<uint8_t>& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = ::write(m_master, bytes.data() + done, bytes.size() - done);
      if (n < 0) throw std::runtime_error("write to pseudo-terminal failed");
      done += static_cast<size_t>(n);
    }
  }
  void WriteFrame(const std::vector<uint8_t>& frame) { WriteRaw(Envelope(frame)); }

  // The next frame the code under test sent, or nothing within the timeout.
  std::optional<ReceivedFrame> ReadFrame(int timeoutMs = 2000) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
      while (m_pos < m_pending.size()) {
        if (auto f = m_assembler.ProcessByte(m_pending[m_pos++])) return f;
      }
      m_pending.clear();
      m_pos = 0;
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                            deadline - std::chrono::steady_clock::now())
                            .count();
      if (left <= 0) return std::nullopt;
      pollfd p{m_master, POLLIN, 0};
      if (::poll(&p, 1, static_cast<int>(left)) <= 0) return std::nullopt;
      uint8_t buf[512];
      const ssize_t n = ::read(m_master, buf, sizeof buf);
      if (n <= 0) return std::nullopt;
      m_pending.assign(buf, buf + n);
    }
  }

  // Every frame that arrives until the line stays quiet for quietMs.
  std::vector<ReceivedFrame> DrainFrames(int quietMs = 200) {
    std::vector<ReceivedFrame> frames;
    while (auto f = ReadFrame(quietMs)) frames.push_back(std::move(*f));
    return frames;
  }

 private:
  int m_master = -1;
  int m_slave = -1;
  std::string m_path;
  FrameAssembler m_assembler;
  std::vector<uint8_t> m_pending;
  size_t m_pos = 0;
};

}  // namespace q7310::testing
