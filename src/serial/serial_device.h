// The platform's serial device, behind one small interface so that each OS has a file of its
// own (serial_device_posix.cpp now; a Win32 file later) and CSerialPort has no #ifdefs.
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

// A short English name of the error, for detail lines.
const char* SerialErrorName(SerialError error);

struct LineSettings {
  unsigned baudRate = 57600;
  uint8_t byteSize = 8;
  uint8_t parity = 0;    // NOPARITY
  uint8_t stopBits = 0;  // ONESTOPBIT
  bool parityCheck = true;
};

struct ReadResult {
  size_t count = 0;          // bytes placed in the buffer
  uint32_t lineErrors = 0;   // CE_ bits seen since the last read
  bool woken = false;        // Wake was called
  bool hungUp = false;       // the device is gone (unplugged, pseudo-terminal closed)
};

class SerialDevice {
 public:
  static std::unique_ptr<SerialDevice> Create();
  virtual ~SerialDevice() = default;

  // Opens and configures the device. On failure returns the error and sets detail to the
  // system's reason; nothing stays open.
  virtual SerialError Open(const std::string& path, const LineSettings& settings,
                           std::string& detail) = 0;
  // Discards queued bytes in both directions, restores the original settings, closes. Harmless
  // when closed.
  virtual void Close() = 0;
  virtual bool IsOpen() const = 0;

  // Writes all bytes (partial writes and interrupted calls are continued). False on failure;
  // bytes already written stay written.
  virtual bool Write(const uint8_t* data, size_t count) = 0;

  // Waits until bytes arrive, the device hangs up, or Wake is called, then reads what is there
  // (at most capacity bytes) without waiting for more.
  virtual ReadResult WaitAndRead(uint8_t* buffer, size_t capacity) = 0;
  // Makes a pending or the next WaitAndRead return with woken set.
  virtual void Wake() = 0;
};

}  // namespace q7310
