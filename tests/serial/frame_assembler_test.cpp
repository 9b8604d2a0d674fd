#include "serial/frame_assembler.h"

#include <gtest/gtest.h>

#include <vector>

#include "serial/envelope.h"

namespace q7310 {
namespace {

using Bytes = std::vector<uint8_t>;

std::vector<ReceivedFrame> Feed(FrameAssembler& a, const Bytes& wire) {
  std::vector<ReceivedFrame> out;
  for (uint8_t b : wire) {
    if (auto f = a.ProcessByte(b)) out.push_back(std::move(*f));
  }
  return out;
}

struct Case {
  const char* name;
  Bytes wire;
  std::vector<std::pair<uint32_t, Bytes>> expected;
};

TEST(FrameAssembler, WireExamples) {
  const std::vector<Case> cases = {
      {"doubled DLE", {0x10, 0x02, 0x01, 0x10, 0x10, 0x10, 0x03, 0x00, 0x21}, {{0, {0x01, 0x10}}}},
      {"noise before start",
       {0x55, 0xAA, 0x03, 0x10, 0x02, 0x07, 0x10, 0x03, 0x00, 0x07},
       {{0, {0x07}}}},
      {"DLE DLE STX starts nothing", {0x10, 0x10, 0x02, 0x07, 0x10, 0x03, 0x00, 0x07}, {}},
      {"zero-length frame", {0x10, 0x02, 0x10, 0x03, 0x00, 0x00}, {{0, {}}}},
      {"checksum error", {0x10, 0x02, 0x01, 0x10, 0x03, 0x00, 0x02}, {{RXERR_CHECKSUM, {0x01}}}},
      {"framing error loses the next start",
       {0x10, 0x02, 0x41, 0x10, 0x02, 0x07, 0x10, 0x03, 0x00, 0x07},
       {{RXERR_FRAMING, {0x41}}}},
      {"checksum bytes of 0x10 taken singly",
       {0x10, 0x02, 0x10, 0x10, 0xF0, 0x10, 0x03, 0x01, 0x10},
       {{0, {0x10, 0xF0}}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FrameAssembler a;
    const auto frames = Feed(a, c.wire);
    ASSERT_EQ(frames.size(), c.expected.size());
    for (size_t i = 0; i < frames.size(); ++i) {
      EXPECT_EQ(frames[i].status, c.expected[i].first);
      EXPECT_EQ(frames[i].bytes, c.expected[i].second);
    }
    EXPECT_EQ(a.State(), FrameAssembler::RX_HUNT);
  }
}

TEST(FrameAssembler, RoundTripsEveryByteValueThroughTheEnvelope) {
  Bytes frame;
  for (int i = 0; i < 256; ++i) frame.push_back(static_cast<uint8_t>(i));
  FrameAssembler a;
  const auto frames = Feed(a, Envelope(frame));
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0].status, 0u);
  EXPECT_EQ(frames[0].bytes, frame);
}

TEST(FrameAssembler, OverlongFrameEndsAsFramingErrorWithoutOverrun) {
  FrameAssembler a;
  Bytes wire = {0x10, 0x02};
  wire.insert(wire.end(), FrameAssembler::kBufferSize + 5, 0x55);
  const auto frames = Feed(a, wire);
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0].status, RXERR_FRAMING);
  EXPECT_EQ(frames[0].bytes.size(), FrameAssembler::kBufferSize);
  // The assembler hunts again: a good frame right after is delivered clean.
  const auto next = Feed(a, Envelope(Bytes{0x41, 0x00}));
  ASSERT_EQ(next.size(), 1u);
  EXPECT_EQ(next[0].status, 0u);
}

TEST(FrameAssembler, LineErrorsGoWithTheNextDeliveryOnly) {
  FrameAssembler a;
  a.AddStatus(kLineRxParity);
  auto first = Feed(a, Envelope(Bytes{0x01}));
  auto second = Feed(a, Envelope(Bytes{0x02}));
  ASSERT_EQ(first.size(), 1u);
  ASSERT_EQ(second.size(), 1u);
  EXPECT_EQ(first[0].status, kLineRxParity);
  EXPECT_EQ(second[0].status, 0u);
}

TEST(FrameAssembler, FrameOfMaximumProtocolSizeFits) {
  Bytes frame(138, 0x10);  // every byte doubled on the wire
  FrameAssembler a;
  const auto frames = Feed(a, Envelope(frame));
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0].status, 0u);
  EXPECT_EQ(frames[0].bytes, frame);
}

}  // namespace
}  // namespace q7310
