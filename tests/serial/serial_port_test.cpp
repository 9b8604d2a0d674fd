// CSerialPort: the link's rules against a scripted fake device, and whole exchanges over a
// pseudo-terminal.
#include "serial/serial_port.h"

#include <gtest/gtest.h>

#include <mutex>

#include "serial/envelope.h"
#include "serial/serial_test_support.h"
#include "support/pty_peer.h"

namespace q7310 {
namespace {

using testing::Bytes;
using testing::FakeLine;
using testing::FrameQueue;
using testing::PtyPeer;
using namespace std::chrono_literals;

class RecordingObserver : public IWireObserver {
 public:
  void OnTransmit(std::span<const uint8_t> frame, std::string_view error) override {
    std::lock_guard lock(mutex);
    sent.emplace_back(Bytes(frame.begin(), frame.end()), std::string(error));
  }
  void OnLineError(uint32_t bits) override {
    std::lock_guard lock(mutex);
    lineErrors.push_back(bits);
  }
  std::mutex mutex;
  std::vector<std::pair<Bytes, std::string>> sent;  // frame, and the reason it failed
  std::vector<uint32_t> lineErrors;
};

// The read-slot request for slot 3.
const Bytes kReadSlot3 = {0x30, 0x00, 0x0A, 0x00, 0x00, 0x00, 0x00, 0x00, 0x03, 0x00};

class LinkOnFake : public ::testing::Test {
 protected:
  LinkOnFake() : link(testing::FakeFactory(line)) {
    link.SetPortNumber(1);
    link.SetBaudRate(57600);
  }

  void ConnectWithOwner() {
    link.SetOwner(&frames);
    ASSERT_EQ(link.Connect(), 1) << link.LastErrorDetail();
  }

  int Created() {
    std::lock_guard lock(line->mutex);
    return line->created;
  }
  int Closes() {
    std::lock_guard lock(line->mutex);
    return line->closes;
  }
  Bytes Written() {
    std::lock_guard lock(line->mutex);
    return line->written;
  }

  std::shared_ptr<FakeLine> line = std::make_shared<FakeLine>();
  FrameQueue frames;
  CSerialPort link;
};

TEST_F(LinkOnFake, ConnectWithoutOwnerFailsAndCreatesNothing) {
  EXPECT_EQ(link.Connect(), 0);
  EXPECT_EQ(link.LastError(), SerialError::NoOwner);
  EXPECT_EQ(Created(), 0);
  EXPECT_FALSE(link.IsOpen());
}

TEST_F(LinkOnFake, PortZeroNamesNoDevice) {
  link.SetOwner(&frames);
  link.SetPortNumber(0);
  EXPECT_EQ(link.Connect(), 0);
  EXPECT_EQ(link.LastError(), SerialError::NoDevice);
  EXPECT_EQ(Created(), 0);
  link.Disconnect();
  EXPECT_EQ(Closes(), 0);
}

TEST_F(LinkOnFake, ConnectOpensThePortNumbersDeviceAtEightNoneOneWithParityCheck) {
  link.SetPortNumber(3);
  EXPECT_EQ(link.DevicePath(), "/dev/ttyS2");
  ConnectWithOwner();
  EXPECT_TRUE(link.IsOpen());
  EXPECT_EQ(link.LastError(), SerialError::None);
  std::lock_guard lock(line->mutex);
  EXPECT_EQ(line->path, "/dev/ttyS2");
  EXPECT_EQ(line->settings.baudRate, 57600u);
  EXPECT_EQ(line->settings.byteSize, 8);
  EXPECT_EQ(line->settings.parity, kNoParity);
  EXPECT_EQ(line->settings.stopBits, kOneStopBit);
  EXPECT_TRUE(line->settings.parityCheck);
}

TEST_F(LinkOnFake, AnExplicitDevicePathTakesThePlaceOfThePortNumber) {
  link.SetDevicePath("/dev/ttyUSB0");
  EXPECT_EQ(link.DevicePath(), "/dev/ttyUSB0");
  ConnectWithOwner();
  std::lock_guard lock(line->mutex);
  EXPECT_EQ(line->path, "/dev/ttyUSB0");
}

TEST_F(LinkOnFake, AFailedOpenReportsTheDevicesReasonAndLeavesNothingToClose) {
  line->openError = SerialError::Busy;
  link.SetOwner(&frames);
  EXPECT_EQ(link.Connect(), 0);
  EXPECT_EQ(link.LastError(), SerialError::Busy);
  EXPECT_NE(link.LastErrorDetail().find("/dev/ttyS0"), std::string::npos);
  EXPECT_FALSE(link.IsOpen());
  link.Disconnect();
  EXPECT_EQ(Closes(), 0);
}

TEST_F(LinkOnFake, DisconnectClosesOnceAndOnlyWithAnOwner) {
  link.SetOwner(&frames);
  link.Disconnect();  // never opened
  EXPECT_EQ(Closes(), 0);
  ConnectWithOwner();
  link.SetOwner(nullptr);
  link.Disconnect();  // no owner: nothing happens
  EXPECT_TRUE(link.IsOpen());
  link.SetOwner(&frames);
  link.Disconnect();
  link.Disconnect();
  EXPECT_FALSE(link.IsOpen());
  EXPECT_EQ(Closes(), 1);
}

TEST_F(LinkOnFake, OpeningAnOpenPortClosesItFirstAndForgetsAHalfFrame) {
  ConnectWithOwner();
  line->Feed({{0x10, 0x02, 0x41}});
  ASSERT_TRUE(line->WaitUntilTaken());
  ASSERT_EQ(link.Connect(), 1);
  EXPECT_EQ(Closes(), 1);
  // Continues the old frame's bytes; a fresh assembler hunts through them.
  line->Feed({{0x42, 0x10, 0x03, 0x00, 0x42}});
  line->Feed({Envelope(Bytes{0x41, 0x00})});
  auto f = frames.Next();
  ASSERT_TRUE(f);
  EXPECT_EQ(f->status, 0u);
  EXPECT_EQ(f->bytes, (Bytes{0x41, 0x00}));
}

TEST_F(LinkOnFake, TransmitFrameSendsTheEnvelope) {
  ConnectWithOwner();
  struct Case {
    const char* name;
    Bytes frame;
    Bytes wire;
  };
  const Case cases[] = {
      {"doubled DLE", {0x01, 0x10}, {0x10, 0x02, 0x01, 0x10, 0x10, 0x10, 0x03, 0x00, 0x21}},
      {"empty frame", {}, {0x10, 0x02, 0x10, 0x03, 0x00, 0x00}},
      {"read slot 3",
       kReadSlot3,
       {0x10, 0x02, 0x30, 0x00, 0x0A, 0x00, 0x00, 0x00, 0x00, 0x00, 0x03, 0x00, 0x10, 0x03, 0x00,
        0x3D}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    line->written.clear();
    EXPECT_EQ(link.TransmitFrame(c.frame.data(), static_cast<unsigned>(c.frame.size())), 1);
    EXPECT_EQ(Written(), c.wire);
  }
}

TEST_F(LinkOnFake, TransmitFrameNeedsAnOwnerAndAnOpenPort) {
  EXPECT_EQ(link.TransmitFrame(kReadSlot3.data(), 10), 0);
  EXPECT_EQ(link.LastError(), SerialError::NoOwner);
  link.SetOwner(&frames);
  EXPECT_EQ(link.TransmitFrame(kReadSlot3.data(), 10), 0);
  EXPECT_EQ(link.LastError(), SerialError::NotOpen);
  EXPECT_TRUE(Written().empty());
}

TEST_F(LinkOnFake, AFailedWriteReturnsZeroAndTheObserverSeesEverySend) {
  RecordingObserver observer;
  link.SetWireObserver(&observer);
  ConnectWithOwner();
  EXPECT_EQ(link.TransmitFrame(kReadSlot3.data(), 10), 1);
  line->failWrites = true;
  EXPECT_EQ(link.TransmitFrame(kReadSlot3.data(), 10), 0);
  EXPECT_EQ(link.LastError(), SerialError::IoError);
  EXPECT_NE(link.LastErrorDetail().find("Input/output error"), std::string::npos)
      << link.LastErrorDetail();
  ASSERT_EQ(observer.sent.size(), 2u);
  EXPECT_EQ(observer.sent[0].first, kReadSlot3);
  EXPECT_TRUE(observer.sent[0].second.empty());
  EXPECT_EQ(observer.sent[1].first, kReadSlot3);
  EXPECT_FALSE(observer.sent[1].second.empty()) << "a failed write names its reason";
}

TEST_F(LinkOnFake, FramesArriveInOrderHoweverTheReadsCutTheStream) {
  ConnectWithOwner();
  Bytes wire = Envelope(Bytes{0x40, 0x00, 0x10});
  const Bytes second = Envelope(Bytes{0x41, 0x00, 0x0A, 0x00, 0x00, 0x00});
  wire.insert(wire.end(), second.begin(), second.end());
  // Every byte on its own, then everything in one read.
  for (uint8_t b : wire) line->Feed({{b}});
  line->Feed({wire});
  for (int round = 0; round < 2; ++round) {
    auto a = frames.Next();
    auto b = frames.Next();
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->bytes, (Bytes{0x40, 0x00, 0x10}));
    EXPECT_EQ(b->bytes, (Bytes{0x41, 0x00, 0x0A, 0x00, 0x00, 0x00}));
    EXPECT_EQ(a->status | b->status, 0u);
  }
}

TEST_F(LinkOnFake, ALineErrorGoesWithTheNextFrameOnly) {
  RecordingObserver observer;
  link.SetWireObserver(&observer);
  ConnectWithOwner();
  line->Feed({{}, kLineRxParity});
  line->Feed({Envelope(Bytes{0x01})});
  line->Feed({Envelope(Bytes{0x02})});
  auto first = frames.Next();
  auto second = frames.Next();
  ASSERT_TRUE(first && second);
  EXPECT_EQ(first->status, kLineRxParity);
  EXPECT_EQ(second->status, 0u);
  std::lock_guard lock(observer.mutex);
  EXPECT_EQ(observer.lineErrors, std::vector<uint32_t>{kLineRxParity});
}

TEST_F(LinkOnFake, DamagedFramesAreDeliveredWithTheirErrorBits) {
  ConnectWithOwner();
  line->Feed({{0x10, 0x02, 0x01, 0x10, 0x03, 0x00, 0x02}});  // checksum 2, sum 1
  line->Feed({{0x10, 0x02, 0x41, 0x10, 0x02}});              // DLE then STX inside a frame
  auto checksum = frames.Next();
  auto framing = frames.Next();
  ASSERT_TRUE(checksum && framing);
  EXPECT_EQ(checksum->status, RXERR_CHECKSUM);
  EXPECT_EQ(checksum->bytes, Bytes{0x01});
  EXPECT_EQ(framing->status, RXERR_FRAMING);
  EXPECT_EQ(framing->bytes, Bytes{0x41});
}

TEST_F(LinkOnFake, CloseEndsTheThreadBeforeTheDeviceClosesAndNothingFollows) {
  ConnectWithOwner();
  line->Feed({Envelope(Bytes{0x01})});
  ASSERT_TRUE(frames.Next());
  link.Disconnect();
  {
    std::lock_guard lock(line->mutex);
    EXPECT_FALSE(line->closedWhileReading);
    EXPECT_EQ(line->closes, 1);
  }
  line->Feed({Envelope(Bytes{0x02})});
  EXPECT_FALSE(frames.Next(50ms));
}

TEST_F(LinkOnFake, AHangUpEndsTheThreadQuietlyAndDisconnectStillCloses) {
  ConnectWithOwner();
  line->Feed({Envelope(Bytes{0x01}), 0, true});  // the bytes of a hang-up read are not used
  line->Feed({Envelope(Bytes{0x02})});
  EXPECT_FALSE(frames.Next(50ms));
  EXPECT_TRUE(link.IsOpen());
  link.Disconnect();
  EXPECT_EQ(Closes(), 1);
}

TEST_F(LinkOnFake, DestroyingAnOpenLinkClosesIt) {
  auto other = std::make_unique<CSerialPort>(testing::FakeFactory(line));
  other->SetOwner(&frames);
  other->SetPortNumber(1);
  ASSERT_EQ(other->Connect(), 1);
  other.reset();
  EXPECT_EQ(Closes(), 1);
}

// ---- whole exchanges over a pseudo-terminal --------------------------------------------------

class LinkOnPty : public ::testing::Test {
 protected:
  void SetUp() override {
    link.SetOwner(&frames);
    link.SetDevicePath(pty.DevicePath());
    link.SetPortNumber(1);
    link.SetBaudRate(57600);
    ASSERT_EQ(link.Connect(), 1) << link.LastErrorDetail();
  }

  PtyPeer pty;
  FrameQueue frames;
  CSerialPort link;
};

TEST_F(LinkOnPty, ARequestGoesOutAndItsRepliesComeBack) {
  ASSERT_EQ(link.TransmitFrame(kReadSlot3.data(), 10), 1);
  EXPECT_EQ(pty.Receive(16), Envelope(kReadSlot3));

  // Two blocks of slot 3, the second the last; data full of DLEs.
  Bytes block0 = {0x40, 0x00, 0x8A, 0x00, 0x00, 0x00, 0x00, 0x00, 0x03, 0x00};
  block0.resize(138, 0x10);
  const Bytes block1 = {0x40, 0x00, 0x0C, 0x00, 0x00, 0x01, 0x01, 0x00, 0x03, 0x00, 0x10, 0x03};
  Bytes wire = {0x55, 0xAA};  // noise before the first frame is dropped
  for (const Bytes& b : {block0, block1}) {
    const Bytes e = Envelope(b);
    wire.insert(wire.end(), e.begin(), e.end());
  }
  ASSERT_TRUE(pty.Send(wire));
  auto first = frames.Next();
  auto second = frames.Next();
  ASSERT_TRUE(first && second);
  EXPECT_EQ(first->status, 0u);
  EXPECT_EQ(first->bytes, block0);
  EXPECT_EQ(second->status, 0u);
  EXPECT_EQ(second->bytes, block1);
}

TEST_F(LinkOnPty, ABurstOfFramesArrivesWholeAndInOrder) {
  constexpr int kFrames = 40;  // more than the driver queue holds at once
  Bytes wire;
  for (int i = 0; i < kFrames; ++i) {
    Bytes f = {0x40, 0x00, 0x8A, 0x00, 0x00, 0x00, static_cast<uint8_t>(i), 0x00, 0x00, 0x00};
    f.resize(138, static_cast<uint8_t>(i * 7));
    const Bytes e = Envelope(f);
    wire.insert(wire.end(), e.begin(), e.end());
  }
  ASSERT_TRUE(pty.Send(wire));
  for (int i = 0; i < kFrames; ++i) {
    auto f = frames.Next();
    ASSERT_TRUE(f) << "frame " << i;
    EXPECT_EQ(f->status, 0u);
    ASSERT_EQ(f->bytes.size(), 138u);
    EXPECT_EQ(f->bytes[6], i);
  }
}

TEST_F(LinkOnPty, DisconnectReturnsWhileTheFarEndIsSilentAndWhenItHasGone) {
  link.Disconnect();
  EXPECT_FALSE(link.IsOpen());
  ASSERT_EQ(link.Connect(), 1) << link.LastErrorDetail();
  pty.HangUp();
  link.Disconnect();
  EXPECT_FALSE(link.IsOpen());
}

TEST_F(LinkOnPty, TheOpenPortIsHeldAgainstASecondLink) {
  FrameQueue otherFrames;
  CSerialPort other;
  other.SetOwner(&otherFrames);
  other.SetDevicePath(pty.DevicePath());
  other.SetBaudRate(57600);
  EXPECT_EQ(other.Connect(), 0);
  EXPECT_EQ(other.LastError(), SerialError::Busy);
  link.Disconnect();
  EXPECT_EQ(other.Connect(), 1) << other.LastErrorDetail();
}

}  // namespace
}  // namespace q7310
