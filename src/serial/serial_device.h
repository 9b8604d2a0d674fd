// The platform's serial device, behind one small interface so that each OS has a file of its
// own (serial_device_posix.cpp, serial_device_win32.cpp, picked by src/serial/CMakeLists.txt)
// and CSerialPort has no #ifdefs. Tests plug in a fake through CSerialPort's device factory.
//
// Threads: Write is called on the owner's thread while WaitAndRead runs on the receive thread;
// Wake may be called from any thread. Open and Close run when no other call is under way.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace q7310 {

enum class SerialError {
  None,
  NoOwner,           // Connect without a receiver of frames
  NoDevice,          // the port number maps to no device (port 0)
  NotFound,          // no such device
  PermissionDenied,  // the device exists but may not be opened (Linux: the dialout group)
  Busy,              // another program holds the device
  NotASerialPort,    // the device does not take serial line settings
  ConfigFailed,      // the line settings were refused
  ThreadFailed,      // the receive thread could not be started
  NotOpen,           // a write on a closed port
  IoError,           // a read or write failed
};

// Why a write failed, as each platform's device classifies its own error codes.
enum class WriteFailure {
  Disconnected,  // an unplugged adapter or a hung-up line
  TimedOut,      // the line did not take the bytes in time
  Other,
};
// A failed write in words for the technician, with the system's `reason`: an I/O error says
// nothing about a cable on its own.
std::string DescribeWriteFailure(WriteFailure kind, const std::string& reason);

// Parity and stop-bit values as the Windows driver numbers them (NOPARITY, ODDPARITY,
// EVENPARITY; ONESTOPBIT, TWOSTOPBITS), so that the Windows backend hands them on unchanged.
// Named apart from the driver's: <windows.h> defines its names as macros, which would replace
// these wherever it came first.
inline constexpr uint8_t kNoParity = 0;
inline constexpr uint8_t kOddParity = 1;
inline constexpr uint8_t kEvenParity = 2;
inline constexpr uint8_t kOneStopBit = 0;
inline constexpr uint8_t kTwoStopBits = 2;

// A write may take this long per byte before it counts as failed (the line does not take the
// bytes: a full driver queue, a peer that never reads).
inline constexpr unsigned kWriteTimeoutPerByteMs = 20;

struct LineSettings {
  unsigned baudRate = 57600;
  uint8_t byteSize = 8;            // 5 to 8
  uint8_t parity = kNoParity;      // kNoParity, kOddParity or kEvenParity
  uint8_t stopBits = kOneStopBit;  // kOneStopBit or kTwoStopBits
  bool parityCheck = true;         // check the parity of received bytes (when there is one)
};

struct ReadResult {
  size_t count = 0;         // bytes placed in the buffer
  uint32_t lineErrors = 0;  // line-error bits (kLine..., envelope.h) seen since the last read
  bool woken = false;       // Wake was called
  bool hungUp = false;      // the device is gone (unplugged, pseudo-terminal closed) or failed
};

class SerialDevice {
 public:
  // The device of this platform.
  static std::unique_ptr<SerialDevice> Create();
  // The device that a port number names on this platform; empty when it names none.
  // Linux: port N is /dev/ttyS<N-1>; Windows: port N is \\.\COM<N>. Port 0 names nothing.
  static std::string PathForPortNumber(unsigned portNumber);

  virtual ~SerialDevice() = default;

  // Opens the device exclusively and configures it raw with the given settings, no flow control,
  // DTR and RTS on. On failure returns the error and sets detail to the system's reason; nothing
  // stays open.
  virtual SerialError Open(const std::string& path, const LineSettings& settings,
                           std::string& detail) = 0;
  // Discards queued bytes in both directions, restores the original settings, closes. Harmless
  // when closed.
  virtual void Close() = 0;
  virtual bool IsOpen() const = 0;

  // Writes all bytes (partial writes and interrupted calls are continued), waiting at most
  // kWriteTimeoutPerByteMs per byte. False on failure, with LastWriteError telling why (a
  // time-out when the time ran out); bytes already written stay written.
  virtual bool Write(const uint8_t* data, size_t count) = 0;
  // Why the last failed Write failed, in the technician's words (DescribeWriteFailure).
  virtual std::string LastWriteError() const = 0;

  // Waits until bytes arrive, the device hangs up, or Wake is called, then reads what is there
  // (at most capacity bytes) without waiting for more. Once hungUp is reported the device
  // delivers nothing more; the caller stops reading and closes it.
  virtual ReadResult WaitAndRead(uint8_t* buffer, size_t capacity) = 0;
  // Makes a pending or the next WaitAndRead return with woken set.
  virtual void Wake() = 0;
};

}  // namespace q7310
