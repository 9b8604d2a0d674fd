// LoadMotFile: which lines are accepted where, what the staged image holds, and why a load fails.
#include <numeric>

#include "firmware/srec_fixture.h"

namespace q7310 {
namespace {

using namespace testing;

const std::string kHeader = Rec('0', 0, {'H', 'D', 'R'});
const std::string kEnd = Rec('9', 0);

// Puts `c` at character `at` of `line`.
std::string With(std::string line, size_t at, char c) {
  line[at] = c;
  return line;
}

Bytes Concat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

uint32_t Sum(const Bytes& bytes) {
  return std::accumulate(bytes.begin(), bytes.end(), 0u);
}

struct Layout {
  const char* name;
  std::vector<std::string> lines;
  uint32_t start;
  uint32_t end;
  Bytes image;
};

TEST_F(FirmwareTest, StagesTheImageFromTheLowestAddress) {
  const Bytes a = Ramp(16, 0x10);
  const Bytes b = Ramp(16, 0x80);
  const Bytes gap(16, 0xFF);
  const std::vector<Layout> cases = {
      {"one S1 record", {kHeader, Rec('1', 0x1000, a), kEnd}, 0x1000, 0x100F, a},
      {"gap filled with 0xFF",
       {kHeader, Rec('1', 0x0000, a), Rec('1', 0x0020, b), kEnd},
       0x0000,
       0x002F,
       Concat(Concat(a, gap), b)},
      {"descending order",
       {kHeader, Rec('1', 0x0020, b), Rec('1', 0x0000, a), kEnd},
       0x0000,
       0x002F,
       Concat(Concat(a, gap), b)},
      {"later line wins",
       {kHeader, Rec('2', 0x10000, a), Rec('2', 0x10008, Bytes(4, 0x55)), kEnd},
       0x10000,
       0x1000F,
       Concat(Concat(Ramp(8, 0x10), Bytes(4, 0x55)), Ramp(4, 0x1C))},
      {"mixed types",
       {kHeader, Rec('3', 0x00000010, b), Rec('1', 0x0000, a), Rec('2', 0x000020, Ramp(1, 7)),
        kEnd},
       0x0000,
       0x0020,
       Concat(Concat(a, b), Ramp(1, 7))},
      {"S1 at 0xFFF0 runs on past 0xFFFF",
       {kHeader, Rec('1', 0xFFF0, Ramp(32)), kEnd},
       0xFFF0,
       0x1000F,
       Ramp(32)},
      {"all 0xFF", {kHeader, Rec('1', 0x0, Bytes(40, 0xFF)), kEnd}, 0x0, 0x27, Bytes(40, 0xFF)},
      {"header and terminator are taken by type alone: bad checksum, lower-case digits",
       {"S0030000FF", Rec('1', 0x10, b), "S9030000fc"},
       0x10,
       0x1F,
       b},
      {"S7 terminator", {kHeader, Rec('3', 0x2, a), Rec('7', 0)}, 0x2, 0x11, a},
      {"S8 terminator", {kHeader, Rec('2', 0x2, a), Rec('8', 0)}, 0x2, 0x11, a},
      {"characters after the checksum are ignored",
       {kHeader, Rec('1', 0x0, a) + "  ; trailing words", kEnd},
       0x0,
       0xF,
       a},
      {"count too small for its address: no data, checksum read inside the address",
       // Count 02 puts the checksum at characters 6-7, the low address byte 0x7E:
       // ~(0x02 + 0x01 + 0x7E) & 0xFF == 0x7E. The address still widens the range.
       {kHeader, Rec('1', 0x0100, a), "S102017E", kEnd},
       0x0100,
       0x017E,
       Concat(a, Bytes(0x17E - 0x10F, 0xFF))},
  };
  for (const Layout& c : cases) {
    SCOPED_TRACE(c.name);
    CFirmwareImage image;
    WriteText(m_mot, Lines(c.lines));
    ASSERT_TRUE(image.LoadMotFile(m_mot.string(), m_staged.string()))
        << image.LastError().line << ": " << image.LastError().reason;
    EXPECT_EQ(image.GetStartAddress(), c.start);
    EXPECT_EQ(image.GetEndAddress(), c.end);
    EXPECT_EQ(image.GetImageSize(), c.image.size());
    EXPECT_EQ(image.GetImageSum(), Sum(c.image));
    EXPECT_EQ(ReadFile(m_staged), c.image);
  }
}

struct Refused {
  const char* name;
  std::string text;
  uint32_t line;
  std::string reason;
};

// Each file is refused with its line and reason, and nothing is staged.
void ExpectRefused(const std::vector<Refused>& cases, const std::filesystem::path& mot,
                   const std::filesystem::path& staged) {
  for (const Refused& c : cases) {
    SCOPED_TRACE(c.name);
    CFirmwareImage image;
    WriteText(mot, c.text);
    EXPECT_FALSE(image.LoadMotFile(mot.string(), staged.string()));
    EXPECT_EQ(image.LastError().line, c.line);
    EXPECT_EQ(image.LastError().reason, c.reason);
    EXPECT_FALSE(std::filesystem::exists(staged));
  }
}

TEST_F(FirmwareTest, RefusesBadLinesNamingLineAndReason) {
  const Bytes a = Ramp(16);
  const std::string s1 = Rec('1', 0x1000, a);
  const std::string s2 = Rec('2', 0x1000, a);
  const std::string s3 = Rec('3', 0x1000, a);
  const std::string lower = "lower-case hex digit";
  const std::string between = " record not allowed between the first and last line";
  const std::vector<Refused> cases = {
      {"lower-case count", Lines({kHeader, With(s1, 2, 'a'), kEnd}), 2, lower},
      {"lower-case S1 address", Lines({kHeader, s1, With(s1, 7, 'b'), kEnd}), 3, lower},
      {"lower-case S2 data", Lines({kHeader, With(s2, 12, 'c'), kEnd}), 2, lower},
      {"lower-case S3 checksum", Lines({kHeader, With(s3, s3.size() - 1, 'f'), kEnd}), 2, lower},
      {"lower-case address on line 1", Lines({With(s1, 4, 'a'), s1, kEnd}), 1, lower},
      {"lower-case address on line n", Lines({kHeader, s1, With(s3, 11, 'e')}), 3, lower},
      {"other non-hex character", Lines({kHeader, With(s1, 9, 'G'), kEnd}), 2, "bad hex digit"},
      {"S5 on line 1", Lines({Rec('5', 1), s1, kEnd}), 1, "S5 record not allowed"},
      {"S5 between", Lines({kHeader, s1, Rec('5', 1), s1, kEnd}), 3, "S5 record not allowed"},
      {"S5 on line n", Lines({kHeader, s1, Rec('5', 1)}), 3, "S5 record not allowed"},
      {"S4", Lines({kHeader, "S4030000FC", kEnd}), 2, "S4 record not allowed"},
      {"S6", Lines({kHeader, s1, "S6030000FC"}), 3, "S6 record not allowed"},
      {"S9 between", Lines({kHeader, s1, kEnd, s1, kEnd}), 3, "S9" + between},
      {"S0 between", Lines({kHeader, kHeader, s1, kEnd}), 2, "S0" + between},
      {"S8 between", Lines({kHeader, s1, Rec('8', 0), kEnd}), 3, "S8" + between},
      {"S7 between", Lines({kHeader, Rec('7', 0), s1, kEnd}), 2, "S7" + between},
      {"empty line between", Lines({kHeader, s1, "", kEnd}), 3, "empty line"},
      {"empty line first", Lines({"", kHeader, s1, kEnd}), 1, "empty line"},
      {"empty line after the terminator", Lines({kHeader, s1, kEnd}) + "\n", 4, "empty line"},
      {"CR only is an empty line", Lines({kHeader, "\r", s1, kEnd}), 2, "empty line"},
      {"not an S-record", Lines({kHeader, ":10000000", kEnd}), 2, "line does not begin with S"},
      {"unknown type", Lines({kHeader, "SX030000FC", kEnd}), 2, "unknown record type"},
      {"lone S", Lines({kHeader, s1, "S"}), 3, "unknown record type"},
      {"bad checksum", Lines({kHeader, s1, With(s2, s2.size() - 1, '0'), kEnd}), 3, "bad checksum"},
      {"line shorter than its count", Lines({kHeader, s1.substr(0, s1.size() - 4), kEnd}), 2,
       "line shorter than its byte count"},
      {"pass 1 faults come before pass 2 faults",
       Lines({kHeader, With(s1, s1.size() - 1, '0'), s1, Rec('5', 0), kEnd}), 4,
       "S5 record not allowed"},
      {"header and terminator alone", Lines({kHeader, kEnd}), 0, "fewer than 3 lines"},
      {"empty file", "", 0, "fewer than 3 lines"},
  };
  ExpectRefused(cases, m_mot, m_staged);
}

TEST_F(FirmwareTest, RefusesAFileCutShortOrWithoutItsHeader) {
  const Bytes a = Ramp(16);
  const std::string s1 = Rec('1', 0x1000, a);
  const std::string s3 = Rec('3', 0x1010, a);
  const std::string noHeader = "the file does not start with a header record (S0)";
  const std::string cut =
      "the file does not end with a termination record (S7, S8 or S9): cut short?";
  const std::vector<Refused> cases = {
      {"cut after a data line", Lines({kHeader, s1, s3}), 3, cut},
      {"cut after a data line, no final line end", kHeader + "\n" + s1 + "\n" + s3, 3, cut},
      {"cut inside a data line", Lines({kHeader, s1}) + s3.substr(0, 14), 3, cut},
      {"cut after the header", Lines({kHeader}), 1, cut},
      {"cut with CR LF line ends", kHeader + "\r\n" + s1 + "\r\n" + s3 + "\r\n", 3, cut},
      {"cut after two lines", Lines({kHeader, s1}), 2, cut},
      {"no header", Lines({s1, s3, kEnd}), 1, noHeader},
      {"terminator first", Lines({kEnd, s1, kEnd}), 1, noHeader},
      {"S7 first and S0 last", Lines({Rec('7', 0), s1, Rec('0', 0)}), 1, noHeader},
      {"neither header nor terminator", Lines({s1, s3}), 1, noHeader},
  };
  ExpectRefused(cases, m_mot, m_staged);
}

TEST_F(FirmwareTest, AcceptsCrLfAndAMissingLastLineEnd) {
  const Bytes a = Ramp(20, 3);
  const std::string crlf = kHeader + "\r\n" + Rec('2', 0x400, a) + "\r\n" + kEnd + "\r\n";
  ASSERT_TRUE(Load(crlf)) << m_image.LastError().reason;
  EXPECT_EQ(ReadFile(m_staged), a);
  ASSERT_TRUE(Load(kHeader + "\n" + Rec('2', 0x400, a) + "\n" + kEnd));
  EXPECT_EQ(ReadFile(m_staged), a);
}

TEST_F(FirmwareTest, FailedLoadKeepsTheEarlierStagedImageAndValues) {
  const Bytes a = Ramp(64, 9);
  ASSERT_TRUE(Load({kHeader, Rec('1', 0x200, a), kEnd}));
  const std::string bad = With(Rec('1', 0x300, Ramp(8)), 8, 'x');
  const std::vector<std::vector<std::string>> refused = {
      {kHeader, Rec('1', 0x100, Ramp(8)), bad, kEnd},
      {kHeader, Rec('1', 0x100, Ramp(8)), Rec('1', 0x108, Ramp(8))},  // cut short
      {Rec('1', 0x100, Ramp(8)), Rec('1', 0x108, Ramp(8)), kEnd},     // no header
  };
  for (const auto& lines : refused) {
    EXPECT_FALSE(Load(lines));
    EXPECT_EQ(ReadFile(m_staged), a);
    EXPECT_EQ(m_image.GetStartAddress(), 0x200u);
    EXPECT_EQ(m_image.GetImageSize(), a.size());
    EXPECT_EQ(m_image.GetImageSum(), Sum(a));
  }
  // The folder holds nothing but the two files: no temporary file is left behind.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_dir), {}), 2);
}

TEST_F(FirmwareTest, ReportsFilesThatCannotBeReadOrWritten) {
  EXPECT_FALSE(m_image.LoadMotFile((m_dir / "missing.mot").string(), m_staged.string()));
  EXPECT_EQ(m_image.LastError().line, 0u);
  EXPECT_EQ(m_image.LastError().reason.rfind("cannot open the file", 0), 0u);

  // A folder, and a device in place of the file, are refused before anything is read.
  EXPECT_FALSE(m_image.LoadMotFile(m_dir.string(), m_staged.string()));
  EXPECT_EQ(m_image.LastError().reason, "cannot open the file: is a folder, not a file");
  EXPECT_FALSE(m_image.LoadMotFile(testing::kNullDevice, m_staged.string()));
  EXPECT_EQ(m_image.LastError().reason, "cannot open the file: is a device, not a regular file");

  WriteText(m_mot, Lines({kHeader, Rec('1', 0, Ramp(4)), kEnd}));
  const auto unwritable = m_dir / "no-such-folder" / "UPDATE.BIN";
  EXPECT_FALSE(m_image.LoadMotFile(m_mot.string(), unwritable.string()));
  EXPECT_EQ(m_image.LastError().reason.rfind("cannot write the staged image", 0), 0u);
  EXPECT_EQ(m_image.GetImageSize(), 0u);
}

TEST_F(FirmwareTest, LinesLongerThanAReadChunkAreHandled) {
  // Text after the checksum is ignored, however long; it makes the records cross the reader's
  // chunk ends at every position.
  std::vector<std::string> lines = {kHeader};
  Bytes expected;
  for (uint32_t i = 0; i < 40; ++i) {
    const Bytes data = Ramp(32, static_cast<uint8_t>(i));
    lines.push_back(Rec('3', 0x8000 + 32 * i, data) + std::string(30011 * (i % 3), ' '));
    expected.insert(expected.end(), data.begin(), data.end());
  }
  lines.push_back(kEnd);
  ASSERT_TRUE(Load(lines)) << m_image.LastError().reason;
  EXPECT_EQ(ReadFile(m_staged), expected);
}

}  // namespace
}  // namespace q7310
