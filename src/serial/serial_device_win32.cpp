// SerialDevice on the Win32 comm API: the port opened exclusively for overlapped I/O, a DCB for
// the line settings with DTR and RTS on, comm timeouts, a purge on open, the original settings
// put back on close.
//
// The receive loop waits for one byte with an overlapped ReadFile (timeouts 0/0/0: the read
// completes when the byte is there) together with a stop event, then takes at once what
// ClearCommError reports waiting. WaitCommEvent is not used: on some drivers (Wine's
// pseudo-terminal ports among them) it returns at once with an empty mask, and a loop on it spins.

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <climits>

#include "serial/envelope.h"
#include "serial/serial_device.h"
#include "util/wide_text.h"

namespace q7310 {
namespace {

// The line settings and line errors go to and come from the driver as they are.
static_assert(kNoParity == NOPARITY && kOddParity == ODDPARITY && kEvenParity == EVENPARITY);
static_assert(kOneStopBit == ONESTOPBIT && kTwoStopBits == TWOSTOPBITS);
static_assert(kLineRxOver == CE_RXOVER && kLineOverrun == CE_OVERRUN &&
              kLineRxParity == CE_RXPARITY && kLineFrame == CE_FRAME && kLineBreak == CE_BREAK);

// The driver's queues; the largest frame is far smaller.
constexpr DWORD kQueueSize = 4096;
// The line-error bits of ClearCommError that ReadResult passes on.
constexpr DWORD kLineErrorBits =
    kLineRxOver | kLineOverrun | kLineRxParity | kLineFrame | kLineBreak;

SerialError ErrorFromWin32(DWORD err) {
  switch (err) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_BAD_NETPATH:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_UNIT:
    case ERROR_DEV_NOT_EXIST:
      return SerialError::NotFound;
    // A COM port held by another program refuses a second open with "access denied".
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_BUSY:
      return SerialError::Busy;
    case ERROR_WRITE_PROTECT:
    case ERROR_PRIVILEGE_NOT_HELD:
      return SerialError::PermissionDenied;
    case ERROR_INVALID_FUNCTION:
    case ERROR_NOT_SUPPORTED:
      return SerialError::NotASerialPort;
    default:
      return SerialError::IoError;
  }
}

WriteFailure WriteFailureFromWin32(DWORD err) {
  switch (err) {
    case ERROR_BAD_COMMAND:  // the usual code of an unplugged USB adapter
    case ERROR_DEVICE_REMOVED:
    case ERROR_DEV_NOT_EXIST:
    case ERROR_BROKEN_PIPE:
    case ERROR_GEN_FAILURE:
    case ERROR_OPERATION_ABORTED:
    case ERROR_INVALID_HANDLE:
      return WriteFailure::Disconnected;
    case ERROR_TIMEOUT:
    case ERROR_COUNTER_TIMEOUT:
    case ERROR_SEM_TIMEOUT:
      return WriteFailure::TimedOut;
    default:
      return WriteFailure::Other;
  }
}

// "COM12" (any case) becomes "\\.\COM12", the name that reaches every port, 10 and up included;
// other paths are used as given.
std::string DevicePath(const std::string& path) {
  if (path.size() > 3 && std::toupper(static_cast<unsigned char>(path[0])) == 'C' &&
      std::toupper(static_cast<unsigned char>(path[1])) == 'O' &&
      std::toupper(static_cast<unsigned char>(path[2])) == 'M' &&
      std::all_of(path.begin() + 3, path.end(),
                  [](char c) { return std::isdigit(static_cast<unsigned char>(c)); })) {
    return "\\\\.\\" + path;
  }
  return path;
}

void CloseHandleOnce(HANDLE& handle) {
  if (handle != nullptr && handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  handle = nullptr;
}

class Win32SerialDevice final : public SerialDevice {
 public:
  ~Win32SerialDevice() override { Close(); }

  SerialError Open(const std::string& path, const LineSettings& settings,
                   std::string& detail) override {
    Close();
    const SerialError error = OpenAndConfigure(DevicePath(path), settings, detail);
    if (error != SerialError::None) Close();
    return error;
  }

  void Close() override {
    if (m_port != nullptr) {
      if (m_readPending) {
        // The read waits for a byte that may never come: cancel it, then let it finish.
        CancelIoEx(m_port, &m_read);
        DWORD n = 0;
        GetOverlappedResult(m_port, &m_read, &n, TRUE);
        m_readPending = false;
      }
      PurgeComm(m_port, PURGE_RXABORT | PURGE_RXCLEAR | PURGE_TXABORT | PURGE_TXCLEAR);
      if (m_restore) {
        SetCommState(m_port, &m_originalState);
        SetCommTimeouts(m_port, &m_originalTimeouts);
      }
    }
    m_restore = false;
    CloseHandleOnce(m_port);
    CloseHandleOnce(m_stop);
    CloseHandleOnce(m_readDone);
    CloseHandleOnce(m_writeDone);
  }

  bool IsOpen() const override { return m_port != nullptr; }

  bool Write(const uint8_t* data, size_t count) override {
    if (m_port == nullptr) return Failed(ERROR_INVALID_HANDLE);
    if (count == 0) return true;
    OVERLAPPED write{};
    write.hEvent = m_writeDone;
    ResetEvent(m_writeDone);
    DWORD written = 0;
    if (!WriteFile(m_port, data, static_cast<DWORD>(count), &written, &write)) {
      const DWORD err = GetLastError();
      if (err != ERROR_IO_PENDING) return Failed(err);
      const DWORD limit = static_cast<DWORD>(
          std::min<size_t>(count * kWriteTimeoutPerByteMs, static_cast<size_t>(INFINITE - 1)));
      if (WaitForSingleObject(m_writeDone, limit) != WAIT_OBJECT_0) {
        CancelIoEx(m_port, &write);
        GetOverlappedResult(m_port, &write, &written, TRUE);
        return Failed(ERROR_TIMEOUT);
      }
      if (!GetOverlappedResult(m_port, &write, &written, FALSE)) return Failed(GetLastError());
    }
    // The comm write time-out ends a write that the line does not take with fewer bytes.
    if (written < count) return Failed(ERROR_TIMEOUT);
    return true;
  }

  std::string LastWriteError() const override { return m_writeError; }

  ReadResult WaitAndRead(uint8_t* buffer, size_t capacity) override {
    ReadResult result;
    for (;;) {
      if (!m_readPending && !StartByteRead(result)) return result;
      if (!m_readPending) break;  // the byte was there at once
      const HANDLE events[2] = {m_stop, m_readDone};
      const DWORD which = WaitForMultipleObjects(2, events, FALSE, INFINITE);
      if (which == WAIT_OBJECT_0) {
        // The byte read stays pending for the next call: nothing that arrives is lost.
        ResetEvent(m_stop);
        result.woken = true;
        return result;
      }
      if (which != WAIT_OBJECT_0 + 1) {
        result.hungUp = true;
        return result;
      }
      DWORD n = 0;
      const bool ok = GetOverlappedResult(m_port, &m_read, &n, FALSE);
      m_readPending = false;
      if (ok && n == 1) break;
      // A time-out with no byte is a success with 0 bytes on Windows and ERROR_TIMEOUT under
      // Wine: both mean "read again". Anything else means the port is gone.
      if (!ok && GetLastError() != ERROR_TIMEOUT && GetLastError() != ERROR_OPERATION_ABORTED) {
        result.hungUp = true;
        return result;
      }
    }
    buffer[0] = m_byte;
    result.count = 1;
    DWORD errors = 0;
    COMSTAT status{};
    if (ClearCommError(m_port, &errors, &status)) {
      result.lineErrors = errors & kLineErrorBits;
      const DWORD more = static_cast<DWORD>(std::min<size_t>(status.cbInQue, capacity - 1));
      if (more > 0) result.count += ReadWaiting(buffer + 1, more);
    }
    return result;
  }

  void Wake() override {
    if (m_stop != nullptr) SetEvent(m_stop);
  }

 private:
  bool Failed(DWORD err) {
    m_writeError = DescribeWriteFailure(WriteFailureFromWin32(err), Win32ErrorText(err));
    return false;
  }

  SerialError Fail(SerialError error, const std::string& what, DWORD err, std::string& detail) {
    detail = what + ": " + Win32ErrorText(err);
    return error;
  }

  // Starts the overlapped one-byte read. False (with hungUp set) when the port refuses it.
  bool StartByteRead(ReadResult& result) {
    m_read = OVERLAPPED{};
    m_read.hEvent = m_readDone;
    ResetEvent(m_readDone);
    DWORD n = 0;
    if (ReadFile(m_port, &m_byte, 1, &n, &m_read)) {
      if (n == 1) return true;  // m_readPending stays false: the byte is in m_byte
      m_readPending = false;
      return StartByteRead(result);
    }
    const DWORD err = GetLastError();
    if (err == ERROR_IO_PENDING) {
      m_readPending = true;
      return true;
    }
    if (err == ERROR_TIMEOUT) return StartByteRead(result);
    result.hungUp = true;
    return false;
  }

  // Reads `count` bytes that ClearCommError reported waiting; they are there, so this does not
  // wait for the line. Returns the bytes read.
  DWORD ReadWaiting(uint8_t* buffer, DWORD count) {
    OVERLAPPED read{};
    read.hEvent = m_readDone;
    ResetEvent(m_readDone);
    DWORD n = 0;
    if (!ReadFile(m_port, buffer, count, &n, &read)) {
      if (GetLastError() != ERROR_IO_PENDING) return 0;
      if (!GetOverlappedResult(m_port, &read, &n, TRUE)) return 0;
    }
    return n;
  }

  SerialError OpenAndConfigure(const std::string& path, const LineSettings& settings,
                               std::string& detail) {
    // No sharing: the port is this program's alone while it is open.
    HANDLE port = CreateFileW(Widen(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (port == INVALID_HANDLE_VALUE) {
      const DWORD err = GetLastError();
      return Fail(ErrorFromWin32(err), path, err, detail);
    }
    m_port = port;
    if (GetFileType(m_port) != FILE_TYPE_CHAR) {
      detail = path + ": not a serial port";
      return SerialError::NotASerialPort;
    }
    m_originalState.DCBlength = sizeof m_originalState;
    if (!GetCommState(m_port, &m_originalState) || !GetCommTimeouts(m_port, &m_originalTimeouts)) {
      const DWORD err = GetLastError();
      return Fail(SerialError::NotASerialPort, path, err, detail);
    }
    m_restore = true;
    SetupComm(m_port, kQueueSize, kQueueSize);  // a request only; drivers may keep their own

    if (settings.byteSize < 5 || settings.byteSize > 8 || settings.parity > kEvenParity ||
        (settings.stopBits != kOneStopBit && settings.stopBits != kTwoStopBits)) {
      detail = path + ": unsupported data bits, parity or stop bits";
      return SerialError::ConfigFailed;
    }
    DCB dcb = m_originalState;
    dcb.BaudRate = settings.baudRate;
    dcb.ByteSize = settings.byteSize;
    dcb.Parity = settings.parity;
    dcb.StopBits = settings.stopBits;
    dcb.fBinary = TRUE;
    dcb.fParity = settings.parity != kNoParity && settings.parityCheck;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fTXContinueOnXoff = TRUE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fErrorChar = FALSE;
    dcb.fNull = FALSE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    dcb.fAbortOnError = FALSE;
    if (!SetCommState(m_port, &dcb)) {
      const DWORD err = GetLastError();
      return Fail(SerialError::ConfigFailed, path, err, detail);
    }
    DCB applied{};
    applied.DCBlength = sizeof applied;
    if (!GetCommState(m_port, &applied) || applied.BaudRate != dcb.BaudRate ||
        applied.ByteSize != dcb.ByteSize || applied.Parity != dcb.Parity ||
        applied.StopBits != dcb.StopBits) {
      detail = path + ": the device did not take the line settings";
      return SerialError::ConfigFailed;
    }
    // DTR and RTS held on. A port without modem lines (Wine's pseudo-terminal ports) refuses
    // this with ERROR_NOT_SUPPORTED; that is fine.
    EscapeCommFunction(m_port, SETDTR);
    EscapeCommFunction(m_port, SETRTS);

    // Reads wait until their count has arrived (the receive loop asks for one byte, or for the
    // bytes already waiting); a write may take kWriteTimeoutPerByteMs per byte.
    COMMTIMEOUTS timeouts{};
    timeouts.WriteTotalTimeoutMultiplier = kWriteTimeoutPerByteMs;
    if (!SetCommTimeouts(m_port, &timeouts)) {
      const DWORD err = GetLastError();
      return Fail(SerialError::ConfigFailed, path, err, detail);
    }
    PurgeComm(m_port, PURGE_RXABORT | PURGE_RXCLEAR | PURGE_TXABORT | PURGE_TXCLEAR);
    DWORD errors = 0;
    ClearCommError(m_port, &errors, nullptr);  // line errors from before the open do not count

    m_stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    m_readDone = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    m_writeDone = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (m_stop == nullptr || m_readDone == nullptr || m_writeDone == nullptr) {
      const DWORD err = GetLastError();
      return Fail(SerialError::IoError, "events", err, detail);
    }
    return SerialError::None;
  }

  HANDLE m_port = nullptr;
  HANDLE m_stop = nullptr;       // Wake: ends a wait of WaitAndRead
  HANDLE m_readDone = nullptr;   // the overlapped reads' event
  HANDLE m_writeDone = nullptr;  // the overlapped writes' event
  OVERLAPPED m_read{};           // the one-byte read of the receive loop
  bool m_readPending = false;
  uint8_t m_byte = 0;
  DCB m_originalState{};
  COMMTIMEOUTS m_originalTimeouts{};
  bool m_restore = false;
  std::string m_writeError;
};

}  // namespace

std::unique_ptr<SerialDevice> SerialDevice::Create() {
  return std::make_unique<Win32SerialDevice>();
}

std::string SerialDevice::PathForPortNumber(unsigned portNumber) {
  if (portNumber == 0) return {};
  return "\\\\.\\COM" + std::to_string(portNumber);
}

}  // namespace q7310
