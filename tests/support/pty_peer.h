// The far end of a real pseudo-terminal. The code under test opens DevicePath() as its serial
// device (or gets SlaveFd() as its terminal); the test reads what it sent and writes bytes back
// on the master side. Both sides close with the object. POSIX only.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "serial/frame_assembler.h"
#include "support/patience.h"

namespace q7310::testing {

class PtyPeer {
 public:
  // Opens a pseudo-terminal with the system's default line settings; `columns`, when not zero,
  // is the width the terminal reports. Throws std::runtime_error when none can be opened.
  explicit PtyPeer(unsigned short columns = 0);
  ~PtyPeer();
  PtyPeer(const PtyPeer&) = delete;
  PtyPeer& operator=(const PtyPeer&) = delete;

  const std::string& DevicePath() const { return m_path; }
  int MasterFd() const { return m_master; }
  // The slave side stays open meanwhile, so the far end sees no hang-up while the code under
  // test closes and reopens the device; the test may also look at its line settings.
  int SlaveFd() const { return m_slave; }

  // Closes the master side: the device hangs up, as an unplugged adapter does.
  void HangUp();
  // Closes the test's copy of the slave side, so that the master reads the end once the code
  // under test has closed its copies.
  void CloseSlave();

  // Writes the bytes as the far end; false when the line refused them.
  [[nodiscard]] bool Send(const std::vector<uint8_t>& bytes);
  // The next `count` bytes the code under test sent, or fewer when no more came in `timeout`.
  std::vector<uint8_t> Receive(size_t count, std::chrono::milliseconds timeout = kPatience);
  // Everything the code under test sends until the line stays quiet for `quiet` or closes.
  std::string ReceiveUntilQuiet(std::chrono::milliseconds quiet);

  // The next whole frame the code under test sent, or nothing within the timeout.
  std::optional<ReceivedFrame> ReadFrame(int timeoutMs = 2000);
  // Every frame that arrives until the line stays quiet for quietMs.
  std::vector<ReceivedFrame> DrainFrames(int quietMs = 200);

 private:
  // Waits up to `timeout` for bytes on the master side; how many were read into `buffer` (0 on
  // time-out or when the far side has closed).
  size_t ReadSome(uint8_t* buffer, size_t capacity, std::chrono::milliseconds timeout);

  int m_master = -1;
  int m_slave = -1;
  std::string m_path;
  FrameAssembler m_assembler;
  std::vector<uint8_t> m_pending;
  size_t m_pos = 0;
};

}  // namespace q7310::testing
