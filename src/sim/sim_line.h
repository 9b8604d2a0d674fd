// The simulated amplifier's end of the serial line: a new pseudo-terminal, or a serial device.
//
// A pseudo-terminal's slave side is set raw and kept open by the simulator itself, so that a
// client may close and reopen the port without the master seeing a hang-up. A device is opened
// exclusively, raw, 57600 8N1, no flow control, DTR and RTS on. Either way Fd() is non-blocking.
// Closing (explicitly or by the destructor) releases both descriptors. POSIX only.
#pragma once

#include <optional>
#include <string>

namespace q7310::sim {

class SimLine {
 public:
  // On failure: empty, with the system's reason in error.
  static std::optional<SimLine> OpenPseudoTerminal(std::string& error);
  static std::optional<SimLine> OpenDevice(const std::string& path, std::string& error);

  SimLine(SimLine&& other) noexcept;
  SimLine& operator=(SimLine&&) = delete;
  SimLine(const SimLine&) = delete;
  ~SimLine();

  int Fd() const { return m_fd; }
  // The path that a client opens: the pseudo-terminal's slave, or the device.
  const std::string& Path() const { return m_path; }
  // Waits, up to timeoutMs, until what was written has left: a device's output queue is sent,
  // a pseudo-terminal's client has read it. A pseudo-terminal closed earlier would discard it.
  void Drain(int timeoutMs);
  void Close();

 private:
  SimLine(int fd, int keepOpenFd, std::string path)
      : m_fd(fd), m_keepOpenFd(keepOpenFd), m_path(std::move(path)) {}

  int m_fd = -1;
  int m_keepOpenFd = -1;  // the pseudo-terminal's slave, held open; -1 for a device
  std::string m_path;
};

}  // namespace q7310::sim
