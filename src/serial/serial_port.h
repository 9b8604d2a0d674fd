// CSerialPort: the program's only path to the amplifier.
//
// The owner names the port (a port number, mapped to a device by DeviceForPortNumber, or an
// explicit device path), opens it with Connect and closes it with Disconnect. While it is open a
// receive thread reads every byte, cuts the stream into frames (FrameAssembler) and hands each
// frame to the owner's IFrameReceiver, together with its receive status word. TransmitFrame sends
// one frame inside its DLE STX / DLE ETX envelope with its checksum.
//
// Threads: every operation is called on the owner's thread. The receive thread only reads and
// delivers; it never writes to the port. After Close (or Disconnect) returns, the receive thread
// has ended and nothing more is delivered.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "serial/frame_assembler.h"
#include "serial/serial_device.h"

namespace q7310 {

// Receives the frames of an open CSerialPort.
class IFrameReceiver {
 public:
  virtual ~IFrameReceiver() = default;
  // Called on the receive thread, once per frame, in arrival order: `status` is the receive
  // status word (line-error bits kLine... and RXERR_ bits, 0 for a clean frame), `frame` the
  // frame's bytes. The implementation must be thread-safe and hand the frame to its own thread (a
  // queued event, a queue) rather than act on it here.
  virtual void PostFrame(uint32_t status, std::vector<uint8_t> frame) = 0;
};

// Sees what the link does on the line, for the protocol trace (received frames reach the trace
// through the IFrameReceiver). Called on the thread that moves the bytes, so an implementation
// shared by both must be thread-safe.
class IWireObserver {
 public:
  virtual ~IWireObserver() = default;
  // On the owner's thread, after each TransmitFrame that got as far as the device: the frame
  // without its envelope, and whether every byte was written.
  // `error` is empty when every byte was written, else the system's reason.
  virtual void OnTransmit(std::span<const uint8_t> frame, std::string_view error) = 0;
  // On the receive thread, when the device reports line errors (kLine... bits).
  virtual void OnLineError(uint32_t bits) = 0;
};

class CSerialPort {
 public:
  // Makes the device that Open opens; tests pass one that makes a fake.
  using DeviceFactory = std::function<std::unique_ptr<SerialDevice>()>;

  // A link on the platform's serial devices.
  CSerialPort();
  explicit CSerialPort(DeviceFactory factory);
  // Closes the port if it is still open.
  ~CSerialPort();
  CSerialPort(const CSerialPort&) = delete;
  CSerialPort& operator=(const CSerialPort&) = delete;

  // The receiver of frames. Connect, Disconnect and TransmitFrame do nothing while it is null.
  // The receive thread takes the owner and the wire observer when the port opens; a change
  // while open reaches it at the next Open.
  void SetOwner(IFrameReceiver* owner) { m_hOwner = owner; }
  // Stored for the next Open; no effect on a port already open.
  void SetPortNumber(unsigned portNumber) { m_nPortNumber = portNumber; }
  void SetBaudRate(unsigned baudRate) { m_nBaudRate = baudRate; }
  // An explicit device path that takes the place of the port number's device; empty to use the
  // port number again.
  void SetDevicePath(std::string path) { m_devicePath = std::move(path); }
  void SetWireObserver(IWireObserver* observer) { m_observer = observer; }

  // The device that a port number maps to. Linux: port N is /dev/ttyS<N-1>; port 0 maps to
  // nothing (an empty string) and fails to open.
  static std::string DeviceForPortNumber(unsigned portNumber) {
    return SerialDevice::PathForPortNumber(portNumber);
  }
  // The device that the next Open will use: the explicit path, or the port number's device.
  std::string DevicePath() const;
  // The explicit path given with SetDevicePath; empty when the port number decides.
  const std::string& ExplicitDevicePath() const { return m_devicePath; }

  // 0 at once without an owner; otherwise Open(port, baud, 8, kNoParity, kOneStopBit, 1).
  int Connect();
  // Close if an owner is set and the port is open; otherwise nothing. Safe to call twice.
  void Disconnect();

  // Opens the device (the explicit path, or else the one portNumber maps to) exclusively,
  // configures it raw at the baud rate with the given byte size, parity and stop bits, no flow
  // control, DTR and RTS on, and starts the receive thread. 1 on success, 0 on failure
  // (everything taken is released; LastError says why). A port still open is closed first.
  int Open(unsigned portNumber, unsigned baudRate, uint8_t byteSize, uint8_t parity,
           uint8_t stopBits, int parityCheck);
  // Stops and joins the receive thread, discards what is queued, and closes the device.
  // Harmless when closed.
  void Close();
  bool IsOpen() const { return m_device != nullptr && m_device->IsOpen(); }

  // Sends one frame in its envelope. 1 when every byte was written, 0 otherwise (no owner, port
  // not open, or a write failed or timed out; bytes already sent stay sent and the frame is not
  // closed). Blocks until the bytes are in the driver's queue, at most kWriteTimeoutPerByteMs per
  // wire byte.
  int TransmitFrame(const uint8_t* frame, unsigned length);

  // Why the last Connect, Open or TransmitFrame failed (None after a success).
  SerialError LastError() const { return m_lastError; }
  // The system's reason for the last failure (strerror text and the device), for a detail line.
  const std::string& LastErrorDetail() const { return m_lastErrorDetail; }

 private:
  // The receive thread: reads, feeds the assembler, hands frames to `owner`. Runs until m_bRun
  // is false or the device hangs up.
  void ReceiveThreadProc(SerialDevice& device, IFrameReceiver* owner, IWireObserver* observer);
  void SetError(SerialError error, std::string detail);

  DeviceFactory m_factory;
  // The system's own names are kept for these two: the owner is the receiver of frames (no
  // window handle), and the thread is the receive thread itself (no pointer to it).
  IFrameReceiver* m_hOwner = nullptr;
  IWireObserver* m_observer = nullptr;
  std::atomic<bool> m_bRun{false};
  std::thread m_pThread;
  FrameAssembler m_assembler;
  std::unique_ptr<SerialDevice> m_device;
  unsigned m_nPortNumber = 0;
  unsigned m_nBaudRate = 0;
  std::string m_devicePath;
  std::string m_openPath;  // the device open now, for detail lines
  std::vector<uint8_t> m_txBuffer;
  SerialError m_lastError = SerialError::None;
  std::string m_lastErrorDetail;
};

}  // namespace q7310
