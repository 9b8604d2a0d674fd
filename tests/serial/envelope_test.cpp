#include "serial/envelope.h"

#include <gtest/gtest.h>

#include <vector>

namespace q7310 {
namespace {

using Bytes = std::vector<uint8_t>;

TEST(Envelope, DoublesDleAndCountsBothCopiesInTheSum) {
  EXPECT_EQ(Envelope(Bytes{0x01, 0x10}),
            (Bytes{0x10, 0x02, 0x01, 0x10, 0x10, 0x10, 0x03, 0x00, 0x21}));
}

TEST(Envelope, EmptyFrameIsJustTheMarksAndAZeroSum) {
  EXPECT_EQ(Envelope(Bytes{}), (Bytes{0x10, 0x02, 0x10, 0x03, 0x00, 0x00}));
}

TEST(Envelope, SumWrapsAtSixteenBits) {
  const Bytes wire = Envelope(Bytes(300, 0xFF));
  ASSERT_EQ(wire.size(), 306u);
  EXPECT_EQ(wire[304], 0x2A);
  EXPECT_EQ(wire[305], 0xD4);
}

TEST(Envelope, ChecksumByteOfDleIsNotDoubled) {
  // 0x10 0x00 ... : sum of one 0x10 (doubled, so 0x20) and 0xF0 is 0x0110 -> high byte 0x01,
  // low byte 0x10, which must go out once.
  const Bytes wire = Envelope(Bytes{0x10, 0xF0});
  EXPECT_EQ(wire, (Bytes{0x10, 0x02, 0x10, 0x10, 0xF0, 0x10, 0x03, 0x01, 0x10}));
  EXPECT_EQ(EnvelopeSize(Bytes{0x10, 0xF0}), wire.size());
}

}  // namespace
}  // namespace q7310
