// The POSIX device backend against a real pseudo-terminal pair.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <thread>

#include "serial/serial_device.h"
#include "serial/serial_test_support.h"
#include "support/pty_peer.h"

namespace q7310 {
namespace {

using testing::Bytes;
using testing::PtyPeer;

class PosixDevice : public ::testing::Test {
 protected:
  SerialError OpenDefault(SerialDevice& d) {
    return d.Open(pty.DevicePath(), LineSettings{}, detail);
  }

  termios SlaveSettings() {
    termios t{};
    EXPECT_EQ(::tcgetattr(pty.SlaveFd(), &t), 0);
    return t;
  }

  PtyPeer pty;
  std::unique_ptr<SerialDevice> device = SerialDevice::Create();
  std::string detail;
};

TEST(PortNumbers, MapToTtySDevicesAndPortZeroToNone) {
  EXPECT_EQ(SerialDevice::PathForPortNumber(0), "");
  EXPECT_EQ(SerialDevice::PathForPortNumber(1), "/dev/ttyS0");
  EXPECT_EQ(SerialDevice::PathForPortNumber(10), "/dev/ttyS9");
  EXPECT_EQ(SerialDevice::PathForPortNumber(23), "/dev/ttyS22");
}

TEST_F(PosixDevice, OpensRaw57600EightNoneOneWithoutFlowControl) {
  ASSERT_EQ(OpenDefault(*device), SerialError::None) << detail;
  EXPECT_TRUE(device->IsOpen());
  const termios t = SlaveSettings();
  EXPECT_EQ(cfgetospeed(&t), B57600);
  EXPECT_EQ(cfgetispeed(&t), B57600);
  EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  EXPECT_EQ(t.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
  EXPECT_EQ(t.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
  EXPECT_EQ(t.c_iflag & (IXON | IXOFF | IXANY | ICRNL | ISTRIP), 0u);
  EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
  EXPECT_EQ(t.c_oflag & OPOST, 0u);
}

TEST_F(PosixDevice, RestoresTheOriginalSettingsOnClose) {
  termios before = SlaveSettings();
  cfsetspeed(&before, B9600);
  before.c_lflag |= ICANON | ECHO;
  ASSERT_EQ(::tcsetattr(pty.SlaveFd(), TCSANOW, &before), 0);
  before = SlaveSettings();

  ASSERT_EQ(OpenDefault(*device), SerialError::None) << detail;
  device->Close();
  EXPECT_FALSE(device->IsOpen());
  const termios after = SlaveSettings();
  EXPECT_EQ(cfgetospeed(&after), B9600);
  EXPECT_EQ(after.c_lflag, before.c_lflag);
  EXPECT_EQ(after.c_iflag, before.c_iflag);
  EXPECT_EQ(after.c_cflag, before.c_cflag);
}

TEST_F(PosixDevice, SecondOpenOfTheSameDeviceIsBusyUntilTheFirstCloses) {
  ASSERT_EQ(OpenDefault(*device), SerialError::None) << detail;
  auto second = SerialDevice::Create();
  EXPECT_EQ(OpenDefault(*second), SerialError::Busy);
  EXPECT_FALSE(second->IsOpen());
  EXPECT_NE(detail.find(pty.DevicePath()), std::string::npos) << detail;
  device->Close();
  EXPECT_EQ(OpenDefault(*second), SerialError::None) << detail;
}

TEST_F(PosixDevice, RefusedOpensSayWhyAndLeaveNothingOpen) {
  struct Case {
    const char* path;
    LineSettings settings;
    SerialError expected;
  };
  LineSettings oddBaud;
  oddBaud.baudRate = 12345;
  LineSettings nineBits;
  nineBits.byteSize = 9;
  LineSettings evenParity;  // a pseudo-terminal always keeps 8 bits without parity
  evenParity.parity = kEvenParity;
  const Case cases[] = {
      {"/dev/q7310-no-such-port", {}, SerialError::NotFound},
      {"/dev/null", {}, SerialError::NotASerialPort},
      {nullptr, oddBaud, SerialError::ConfigFailed},
      {nullptr, nineBits, SerialError::ConfigFailed},
      {nullptr, evenParity, SerialError::ConfigFailed},
  };
  for (const Case& c : cases) {
    const std::string path = c.path ? c.path : pty.DevicePath();
    SCOPED_TRACE(path);
    detail.clear();
    EXPECT_EQ(device->Open(path, c.settings, detail), c.expected);
    EXPECT_FALSE(device->IsOpen());
    EXPECT_FALSE(detail.empty());
  }
  // Nothing was left holding the pseudo-terminal.
  EXPECT_EQ(OpenDefault(*device), SerialError::None) << detail;
}

TEST_F(PosixDevice, WritesReachTheFarEnd) {
  ASSERT_EQ(OpenDefault(*device), SerialError::None) << detail;
  const Bytes bytes = {0x10, 0x02, 0x0A, 0x0D, 0x11, 0x13, 0x03, 0xFF};  // no byte is translated
  ASSERT_TRUE(device->Write(bytes.data(), bytes.size()));
  EXPECT_EQ(pty.Receive(bytes.size()), bytes);
}

TEST_F(PosixDevice, WriteTimesOutWhenTheFarEndDoesNotRead) {
  ASSERT_EQ(OpenDefault(*device), SerialError::None) << detail;
  // Fill the line until it takes nothing more for a while (the kernel moves bytes on to the far
  // end's queue in the background, so one refused write does not yet mean full).
  const Bytes block(4096, 0x55);
  ::fcntl(pty.SlaveFd(), F_SETFL, ::fcntl(pty.SlaveFd(), F_GETFL) | O_NONBLOCK);
  for (;;) {
    while (::write(pty.SlaveFd(), block.data(), block.size()) > 0) {
    }
    pollfd p{pty.SlaveFd(), POLLOUT, 0};
    if (::poll(&p, 1, 200) == 0) break;
  }
  const Bytes frame(6, 0xAA);
  errno = 0;
  EXPECT_FALSE(device->Write(frame.data(), frame.size()));
  EXPECT_EQ(errno, ETIMEDOUT);
}

TEST_F(PosixDevice, ReadsWhatArrivesWithoutWaitingForMore) {
  ASSERT_EQ(OpenDefault(*device), SerialError::None) << detail;
  ASSERT_TRUE(pty.Send({0x01, 0x02, 0x03}));
  uint8_t buf[16];
  size_t total = 0;
  while (total < 3) {
    const ReadResult r = device->WaitAndRead(buf + total, sizeof buf - total);
    ASSERT_FALSE(r.hungUp);
    ASSERT_FALSE(r.woken);
    EXPECT_EQ(r.lineErrors, 0u);  // a pseudo-terminal reports no line errors
    total += r.count;
  }
  EXPECT_EQ(Bytes(buf, buf + total), (Bytes{0x01, 0x02, 0x03}));
}

TEST_F(PosixDevice, WakeEndsAPendingWaitAndTheNextOne) {
  ASSERT_EQ(OpenDefault(*device), SerialError::None) << detail;
  uint8_t buf[16];
  device->Wake();
  EXPECT_TRUE(device->WaitAndRead(buf, sizeof buf).woken);

  ReadResult r;
  std::thread reader([&] { r = device->WaitAndRead(buf, sizeof buf); });
  device->Wake();
  reader.join();
  EXPECT_TRUE(r.woken);
  EXPECT_EQ(r.count, 0u);
}

TEST_F(PosixDevice, ReportsAHangUpWhenTheFarEndGoes) {
  ASSERT_EQ(OpenDefault(*device), SerialError::None) << detail;
  pty.HangUp();
  uint8_t buf[16];
  EXPECT_TRUE(device->WaitAndRead(buf, sizeof buf).hungUp);
  device->Close();
}

TEST_F(PosixDevice, WriteOnAClosedDeviceFails) {
  const uint8_t b = 0;
  EXPECT_FALSE(device->Write(&b, 1));
  device->Close();  // harmless when closed
  device->Wake();
}

}  // namespace
}  // namespace q7310
