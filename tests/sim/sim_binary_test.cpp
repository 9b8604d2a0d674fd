// Runs the real q7310-sim over its pseudo-terminal, as a client would.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <numeric>
#include <string>

#include "protocol/protocol.h"
#include "serial/envelope.h"
#include "serial/frame_assembler.h"
#include "sim/slot_records.h"
#include "sim_test_frames.h"
#include "support/files.h"
#include "support/simulator.h"
#include "support/temp_folder.h"

namespace q7310::sim {
namespace {

using namespace testing;
namespace fs = std::filesystem;

// A reply or a line from the simulator normally comes within milliseconds; the bound only decides
// how soon a broken simulator fails the test.
constexpr int kTimeoutMs = 5000;

// Whether `fd` has something to read within the bound.
bool Readable(int fd) {
  pollfd p{fd, POLLIN, 0};
  return poll(&p, 1, kTimeoutMs) == 1;
}

// The client's end: the pseudo-terminal's slave, raw.
class Port {
 public:
  explicit Port(const std::string& path) : m_fd(open(path.c_str(), O_RDWR | O_NOCTTY)) {
    termios t{};
    if (m_fd >= 0 && tcgetattr(m_fd, &t) == 0) {
      cfmakeraw(&t);
      tcsetattr(m_fd, TCSANOW, &t);
    }
  }
  ~Port() {
    if (m_fd >= 0) close(m_fd);
  }
  bool IsOpen() const { return m_fd >= 0; }

  void Send(const Bytes& frame) {
    const Bytes wire = Envelope(frame);
    ASSERT_EQ(write(m_fd, wire.data(), wire.size()), static_cast<ssize_t>(wire.size()));
  }

  // The next frame from the simulator; empty bytes with RXERR_FRAMING on time-out. After one
  // time-out the simulator is taken for silent and later calls return at once, so that a broken
  // exchange fails the test in seconds instead of one bound per expected reply.
  ReceivedFrame Receive() {
    uint8_t b;
    while (!m_silent && Readable(m_fd) && read(m_fd, &b, 1) == 1) {
      if (auto f = m_assembler.ProcessByte(b)) return *f;
    }
    if (!m_silent)
      ADD_FAILURE() << "the simulator sent no whole frame within " << kTimeoutMs << " ms";
    m_silent = true;
    return {RXERR_FRAMING, {}};
  }

 private:
  int m_fd;
  bool m_silent = false;
  FrameAssembler m_assembler;
};

class SimBinary : public ::testing::Test {
 protected:
  TempFolder m_scratch{"q7310-sim-test"};
  const fs::path m_dir = m_scratch.Path();
};

TEST_F(SimBinary, ServesSlotsTakesRestoreAndUpdateThenReportsOnSigterm) {
  const auto settings = m_dir / "settings.bin";
  const auto restore = m_dir / "restore.bin";
  const auto image = m_dir / "image.bin";
  const auto link = m_dir / "ttyAMP";
  Simulator sim(Q7310_SIM_PATH,
                {"--format", "1", "--seed", "9", "--save-settings", settings.string(),
                 "--restore-out", restore.string(), "--image-out", image.string(), "--link",
                 link.string(), "--block-size", "100"});
  const std::string path = sim.Device();
  ASSERT_FALSE(path.empty());
  EXPECT_EQ(fs::read_symlink(link), path);

  const auto records = ParseSlotRecords(ReadFile(settings));
  ASSERT_TRUE(records && records->size() == 9);

  {
    Port port(link.string());  // through the link, as a client configured with it would
    ASSERT_TRUE(port.IsOpen());
    port.Send(ReadSlotFrame(3));
    Bytes data;
    for (uint16_t block = 0;; ++block) {
      const auto f = port.Receive();
      ASSERT_EQ(f.status, 0u);
      ASSERT_GE(f.bytes.size(), kSlotFrameHeaderSize);
      EXPECT_EQ(GetU16(f.bytes, kOffCommand), CMD_READ_SLOT_REPLY);
      EXPECT_EQ(GetU16(f.bytes, kOffBlockNumber), block);
      EXPECT_LE(f.bytes.size(), kSlotFrameHeaderSize + 100);
      data.insert(data.end(), f.bytes.begin() + kSlotFrameHeaderSize, f.bytes.end());
      if (f.bytes[kOffEndOfSlot] != 0) break;
    }
    EXPECT_EQ(data, (*records)[3].data);
  }

  // The client closed the port; it reopens it and the simulator still answers.
  Port port(path);
  const Bytes slot7 = Ramp(70, 40);
  port.Send(WriteSlotFrame(false, 0, 7, Bytes(slot7.begin(), slot7.begin() + 64)));
  EXPECT_EQ(port.Receive().bytes, (Bytes{0x41, 0x00, 0x06, 0x00, 0x00, 0x00}));
  port.Send(WriteSlotFrame(true, 1, 7, Bytes(slot7.begin() + 64, slot7.end())));
  EXPECT_EQ(port.Receive().bytes, (Bytes{0x41, 0x00, 0x06, 0x00, 0x00, 0x00}));

  const Bytes firmware = Ramp(130, 0x10);  // 0x10 bytes exercise the DLE doubling both ways
  const uint32_t sum = std::accumulate(firmware.begin(), firmware.end(), uint32_t{0});
  const Bytes ok = {0x20, 0x00, 0x06, 0x00, 0x01, 0x00};
  port.Send(UpdateStartFrame(0x10000, 130, sum));
  EXPECT_EQ(port.Receive().bytes, ok);
  port.Send(UpdateDataFrame(0, Bytes(firmware.begin(), firmware.begin() + 128)));
  EXPECT_EQ(port.Receive().bytes, ok);
  port.Send(UpdateDataFrame(1, Bytes(firmware.begin() + 128, firmware.end())));
  EXPECT_EQ(port.Receive().bytes, ok);

  EXPECT_EQ(sim.Stop(), 0) << sim.Stderr();
  const std::string& summary = sim.Stderr();
  EXPECT_NE(summary.find("read-slot 1, write-slot 2, update-start 1, update-data 2"),
            std::string::npos)
      << summary;
  EXPECT_NE(summary.find("image sum OK"), std::string::npos) << summary;
  EXPECT_NE(summary.find("restore: 1 records written"), std::string::npos) << summary;
  EXPECT_FALSE(fs::exists(fs::symlink_status(link)));

  Bytes expectedRestore = {0x00, 0x07, 0x00, 70};
  expectedRestore.insert(expectedRestore.end(), slot7.begin(), slot7.end());
  EXPECT_EQ(ReadFile(restore), expectedRestore);
  EXPECT_EQ(ReadFile(image), firmware);
}

TEST_F(SimBinary, ImageSumMismatchEndsInconsistent) {
  Simulator sim(Q7310_SIM_PATH, {"--hangup-after", "2"});
  Port port(sim.Device());
  ASSERT_TRUE(port.IsOpen());
  port.Send(UpdateStartFrame(0, 3, 999));
  EXPECT_EQ(port.Receive().status, 0u);
  port.Send(UpdateDataFrame(0, {1, 2, 3}));
  EXPECT_EQ(port.Receive().status, 0u);
  // --hangup-after 2: the simulator ends by itself after the second request.
  EXPECT_EQ(sim.Wait(), 1) << sim.Stderr();
  const std::string& summary = sim.Stderr();
  EXPECT_NE(summary.find("image sum MISMATCH"), std::string::npos) << summary;
  EXPECT_NE(summary.find("hung up"), std::string::npos) << summary;
}

// Loose: the reply cannot come faster than the line; no upper bound, since a loaded machine is
// slower.
TEST_F(SimBinary, PacedReplyTakesAtLeastItsWireTime) {
  Simulator sim(Q7310_SIM_PATH, {"--pace"});
  Port port(sim.Device());
  ASSERT_TRUE(port.IsOpen());
  const auto start = std::chrono::steady_clock::now();
  port.Send(ReadSlotFrame(0));
  size_t wireBytes = EnvelopeSize(ReadSlotFrame(0));  // the request is paced on arrival, too
  for (;;) {
    const auto f = port.Receive();
    ASSERT_EQ(f.status, 0u);
    wireBytes += EnvelopeSize(f.bytes);
    if (f.bytes[kOffEndOfSlot] != 0) break;
  }
  const auto elapsed = std::chrono::steady_clock::now() - start;
  const auto wireTime = std::chrono::microseconds(wireBytes * 10 * 1'000'000 / kBaudRate);
  EXPECT_GE(elapsed, wireTime * 9 / 10) << wireBytes << " wire bytes";
  EXPECT_EQ(sim.Stop(), 0) << sim.Stderr();
}

TEST_F(SimBinary, UsageErrorsExitWithTwo) {
  for (const auto& args :
       std::vector<std::vector<std::string>>{{"--block-size", "0"},
                                             {"--format", "2"},
                                             {"--no-such-option"},
                                             {"--settings", (m_dir / "missing.bin").string()}}) {
    Simulator sim(Q7310_SIM_PATH, args);
    EXPECT_EQ(sim.Wait(), 2) << args[0];
  }
}

}  // namespace
}  // namespace q7310::sim
