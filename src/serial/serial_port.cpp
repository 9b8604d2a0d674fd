#include "serial/serial_port.h"

#include <array>
#include <cstring>
#include <system_error>

#include "serial/envelope.h"

namespace q7310 {
namespace {

// Bytes taken from the device in one read: the size of the driver queues the link asks for.
constexpr size_t kReadChunk = 1024;

}  // namespace

std::string DescribeWriteFailure(WriteFailure kind, const std::string& reason) {
  switch (kind) {
    case WriteFailure::Disconnected:
      return "the device was disconnected (" + reason + ")";
    case WriteFailure::TimedOut:
      return "the line did not take the bytes in time (" + reason + ")";
    case WriteFailure::Other:
      break;
  }
  return reason;
}

CSerialPort::CSerialPort() : CSerialPort(&SerialDevice::Create) {}

CSerialPort::CSerialPort(DeviceFactory factory) : m_factory(std::move(factory)) {}

CSerialPort::~CSerialPort() {
  Close();
}

std::string CSerialPort::DevicePath() const {
  return m_devicePath.empty() ? DeviceForPortNumber(m_nPortNumber) : m_devicePath;
}

int CSerialPort::Connect() {
  if (m_hOwner == nullptr) {
    SetError(SerialError::NoOwner, "no receiver of frames is set");
    return 0;
  }
  return Open(m_nPortNumber, m_nBaudRate, 8, kNoParity, kOneStopBit, 1);
}

void CSerialPort::Disconnect() {
  if (m_hOwner != nullptr && m_device != nullptr) Close();
}

int CSerialPort::Open(unsigned portNumber, unsigned baudRate, uint8_t byteSize, uint8_t parity,
                      uint8_t stopBits, int parityCheck) {
  Close();
  m_assembler.Reset();

  const std::string path = m_devicePath.empty() ? DeviceForPortNumber(portNumber) : m_devicePath;
  if (path.empty()) {
    SetError(SerialError::NoDevice,
             "port number " + std::to_string(portNumber) + " names no device");
    return 0;
  }
  std::unique_ptr<SerialDevice> device = m_factory();
  const LineSettings settings{baudRate, byteSize, parity, stopBits, (parityCheck & 1) != 0};
  std::string detail;
  if (const SerialError error = device->Open(path, settings, detail); error != SerialError::None) {
    SetError(error, std::move(detail));
    return 0;
  }

  m_device = std::move(device);
  m_openPath = path;
  m_bRun = true;
  // The thread gets what it needs as arguments: it never reads the owner or observer fields,
  // which the owner may change while it runs.
  try {
    m_pThread = std::thread(&CSerialPort::ReceiveThreadProc, this, std::ref(*m_device), m_hOwner,
                            m_observer);
  } catch (const std::system_error& e) {
    m_bRun = false;
    m_device->Close();
    m_device.reset();
    SetError(SerialError::ThreadFailed, e.what());
    return 0;
  }
  SetError(SerialError::None, {});
  return 1;
}

void CSerialPort::Close() {
  m_bRun = false;
  if (m_device != nullptr) m_device->Wake();
  // Joined before the device closes, so the thread never reads a closed descriptor.
  if (m_pThread.joinable()) m_pThread.join();
  if (m_device != nullptr) {
    m_device->Close();
    m_device.reset();
  }
}

int CSerialPort::TransmitFrame(const uint8_t* frame, unsigned length) {
  if (m_hOwner == nullptr) {
    SetError(SerialError::NoOwner, "no receiver of frames is set");
    return 0;
  }
  if (m_device == nullptr) {
    SetError(SerialError::NotOpen, "the port is not open");
    return 0;
  }
  const std::span<const uint8_t> bytes(frame, length);
  // One write for the whole envelope: the wire bytes are the same as byte-by-byte writes, and a
  // failure part way leaves the bytes already written on the line all the same.
  m_txBuffer.clear();
  AppendEnvelope(bytes, m_txBuffer);
  const bool ok = m_device->Write(m_txBuffer.data(), m_txBuffer.size());
  if (ok) {
    SetError(SerialError::None, {});
  } else {
    SetError(SerialError::IoError, m_openPath + ": " + m_device->LastWriteError());
  }
  if (m_observer != nullptr) {
    m_observer->OnTransmit(bytes, ok ? std::string_view{} : std::string_view(m_lastErrorDetail));
  }
  return ok ? 1 : 0;
}

void CSerialPort::ReceiveThreadProc(SerialDevice& device, IFrameReceiver* owner,
                                    IWireObserver* observer) {
  std::array<uint8_t, kReadChunk> chunk;
  while (m_bRun) {
    const ReadResult read = device.WaitAndRead(chunk.data(), chunk.size());
    // A device that is gone ends the thread without a report; the port stays open until the
    // owner closes it, and the controller's reply time-out notices the silence.
    if (read.hungUp) return;
    if (read.lineErrors != 0) {
      m_assembler.AddStatus(read.lineErrors);
      if (observer != nullptr) observer->OnLineError(read.lineErrors);
    }
    for (size_t i = 0; i < read.count; ++i) {
      std::optional<ReceivedFrame> frame = m_assembler.ProcessByte(chunk[i]);
      if (frame && owner != nullptr) owner->PostFrame(frame->status, std::move(frame->bytes));
    }
  }
}

void CSerialPort::SetError(SerialError error, std::string detail) {
  m_lastError = error;
  m_lastErrorDetail = std::move(detail);
}

}  // namespace q7310
