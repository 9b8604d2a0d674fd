// The header record's text, the simulator's sample mark, and a load that refuses the sample.
#include "firmware/header_record.h"

#include "firmware/srec_fixture.h"

namespace q7310 {
namespace {

using namespace testing;

Bytes Text(std::string_view text) {
  return Bytes(text.begin(), text.end());
}

const std::string kSampleHeader = Rec('0', 0, Text("SAMPLE FOR q7310-sim ONLY - NOT FIRMWARE"));
const std::string kPlainHeader = Rec('0', 0, Text("Q7310 v2.01"));
const std::string kEnd = Rec('9', 0);

TEST(HeaderRecord, TextOfTheDataBytes) {
  const std::string hdr = Rec('0', 0, Text("HDR"));
  struct Case {
    const char* name;
    std::string line;
    std::string text;
  };
  const std::vector<Case> cases = {
      {"printable text", hdr, "HDR"},
      {"bytes outside printable ASCII", Rec('0', 0, {'A', 0x00, 0x0A, 0x7F, 0xE9}),
       "A\\x00\\x0A\\x7F\\xE9"},
      {"no data", Rec('0', 0), ""},
      {"a wrong checksum is not checked", hdr.substr(0, hdr.size() - 2) + "00", "HDR"},
      {"cut inside the data", hdr.substr(0, 12), "HD"},
      {"a bad digit ends the text", hdr.substr(0, 10) + "x" + hdr.substr(11), "H"},
      {"a count below the address and checksum", "S0020000FD", ""},
      {"not an S0 record", Rec('1', 0, Text("HDR")), ""},
      {"shorter than a record", "S003", ""},
      {"a bad count", "S0G3000048FF", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(HeaderRecordText(c.line), c.text) << c.name << ": " << c.line;
  }
}

TEST(HeaderRecord, TheMarkMayStandAnywhereButIsSpelledExactly) {
  EXPECT_TRUE(IsSimulatorSampleHeader(kSimulatorSampleMark));
  EXPECT_TRUE(IsSimulatorSampleHeader("Q7310 v2.01 SAMPLE FOR q7310-sim ONLY (seed 201)"));
  EXPECT_FALSE(IsSimulatorSampleHeader("sample for q7310-sim only"));
  EXPECT_FALSE(IsSimulatorSampleHeader("Q7310 firmware"));
  EXPECT_FALSE(IsSimulatorSampleHeader(""));
}

// By default a marked file loads like any other and says what it is; refused, it fails at line 1
// before anything else is read or staged, and everything stays as the last good load left it.
TEST_F(FirmwareTest, TheSampleIsRefusedAtItsHeaderWhenAsked) {
  const Bytes a = Ramp(32, 5);
  ASSERT_TRUE(Load({kPlainHeader, Rec('2', 0x10000, a), kEnd})) << m_image.LastError().reason;
  EXPECT_FALSE(m_image.IsSimulatorSample());
  EXPECT_EQ(m_image.HeaderText(), "Q7310 v2.01");

  ASSERT_TRUE(Load({kSampleHeader, Rec('2', 0x20000, Ramp(16)), kEnd}));
  EXPECT_TRUE(m_image.IsSimulatorSample());
  EXPECT_EQ(m_image.HeaderText(), "SAMPLE FOR q7310-sim ONLY - NOT FIRMWARE");

  ASSERT_TRUE(Load({kPlainHeader, Rec('2', 0x10000, a), kEnd}));
  m_image.RefuseSimulatorSample(true);
  // Line 2 is broken too: the refusal comes first, so the rest of the file is never read.
  EXPECT_FALSE(Load({kSampleHeader, "S2 broken", Rec('2', 0x20000, Ramp(16)), kEnd}));
  EXPECT_EQ(m_image.LastError().fault, LoadFault::kSimulatorSample);
  EXPECT_EQ(m_image.LastError().line, 1u);
  EXPECT_EQ(m_image.LastError().reason,
            "the header record (S0) marks the file as the sample firmware of the simulator "
            "q7310-sim, not firmware for an amplifier");
  EXPECT_EQ(ReadFile(m_staged), a);
  EXPECT_EQ(m_image.GetStartAddress(), 0x10000u);
  EXPECT_EQ(m_image.GetImageSize(), a.size());
  EXPECT_EQ(m_image.HeaderText(), "Q7310 v2.01");
  EXPECT_FALSE(m_image.IsSimulatorSample());

  // Refusing changes nothing for a file without the mark, and other faults keep their own code.
  EXPECT_TRUE(Load({kPlainHeader, Rec('2', 0x30000, Ramp(8)), kEnd}));
  EXPECT_FALSE(Load({kPlainHeader, "S2 broken", kEnd}));
  EXPECT_EQ(m_image.LastError().fault, LoadFault::kBadHexDigit);

  m_image.RefuseSimulatorSample(false);
  EXPECT_TRUE(Load({kSampleHeader, Rec('2', 0x20000, Ramp(16)), kEnd}));
}

}  // namespace
}  // namespace q7310
