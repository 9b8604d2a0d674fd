// LoadMotFile at its limits: the staging buffer, the largest image, the address space and the
// number of lines.
#include <atomic>
#include <cstdio>
#include <filesystem>

#include "firmware/line_reader.h"
#include "firmware/srec_fixture.h"

namespace q7310 {
namespace {

using namespace testing;

const std::string kHeader = Rec('0', 0);
const std::string kEnd = Rec('7', 0);
constexpr uint32_t kBuffer = CFirmwareImage::kStagingBufferSize;
constexpr uint32_t kMaxImage = CFirmwareImage::kMaxImageSize;

struct Limit {
  const char* name;
  std::vector<std::string> lines;
  bool loads;
  uint32_t line;  // line to blame when it fails
  std::string reason;
};

TEST_F(FirmwareTest, RefusesWhatTheBufferOrTheBlockCounterCannotHold) {
  const std::string span = "address span larger than the 12 MiB staging buffer";
  const std::string large = "image larger than 8,388,608 bytes";
  const std::vector<Limit> cases = {
      {"largest image",
       {kHeader, Rec('3', 0, {1}), Rec('3', kMaxImage - 1, {2}), kEnd},
       true,
       0,
       ""},
      {"one byte over by address",
       {kHeader, Rec('3', 0, {1}), Rec('3', kMaxImage, {2}), kEnd},
       false,
       3,
       large},
      {"one byte over by the data of the last record",
       {kHeader, Rec('3', 0, {1}), Rec('3', kMaxImage - 2, {2, 3, 4}), kEnd},
       false,
       3,
       large},
      {"data record in place of the terminator counts for nothing",
       {kHeader, Rec('3', 0x100, {1}), Rec('3', 0x100 + kMaxImage, {}), Rec('3', 0xFF)},
       false,
       4,
       "the file does not end with a termination record (S7, S8 or S9): cut short?"},
      {"span over the buffer",
       {kHeader, Rec('3', 0x500, {1}), Rec('3', 0x500 + kBuffer, {2}), kEnd},
       false,
       3,
       span},
      {"data record in place of the header counts for nothing",
       {Rec('3', 0xFFFFFF00), Rec('3', 0, {1}), kEnd},
       false,
       1,
       "the file does not start with a header record (S0)"},
      {"far apart addresses of a descending file",
       {kHeader, Rec('3', 0xF0000000, {1}), Rec('3', 0x10, {2}), kEnd},
       false,
       3,
       span},
      {"S3 data running past 0xFFFFFFFF",
       {kHeader, Rec('3', 0xFFFFFFF8, Ramp(8)), Rec('3', 0xFFFFFFFC, Ramp(5)), kEnd},
       false,
       3,
       "data runs past address 0xFFFFFFFF"},
      {"S3 data ending at 0xFFFFFFFF", {kHeader, Rec('3', 0xFFFFFFF8, Ramp(8)), kEnd}, true, 0, ""},
  };
  for (const Limit& c : cases) {
    SCOPED_TRACE(c.name);
    CFirmwareImage image;
    std::filesystem::remove(m_staged);
    WriteText(m_mot, Lines(c.lines));
    EXPECT_EQ(image.LoadMotFile(m_mot.string(), m_staged.string()), c.loads);
    if (c.loads) continue;
    EXPECT_EQ(image.LastError().line, c.line);
    EXPECT_EQ(image.LastError().reason, c.reason);
    EXPECT_FALSE(std::filesystem::exists(m_staged));
  }
}

TEST_F(FirmwareTest, LargestImageStagesEveryByte) {
  ASSERT_TRUE(
      Load({kHeader, Rec('3', 0x1000, {0x11}), Rec('3', 0x1000 + kMaxImage - 1, {0x22}), kEnd}));
  const Bytes staged = ReadFile(m_staged);
  ASSERT_EQ(staged.size(), kMaxImage);
  EXPECT_EQ(staged.front(), 0x11);
  EXPECT_EQ(staged.back(), 0x22);
  EXPECT_EQ(m_image.GetImageSum(), 0x11u + 0x22u + 0xFFu * (kMaxImage - 2));
}

TEST_F(FirmwareTest, ReadsAtMostTheLineLimit) {
  // kMaxLines lines, then lines that would fail if they were read.
  std::string text = kHeader + "\n";
  const std::string record = Rec('1', 0x0040, {0xA5}) + "\n";
  const std::string after = "\nnot a record\n";
  text.reserve(record.size() * CFirmwareImage::kMaxLines + 64);
  for (uint32_t i = 2; i < CFirmwareImage::kMaxLines; ++i) text += record;
  const size_t lastLine = text.size();

  text += kEnd + "\n" + after;  // line n: the terminator
  ASSERT_TRUE(Load(text)) << m_image.LastError().line << ": " << m_image.LastError().reason;
  EXPECT_EQ(m_image.GetStartAddress(), 0x40u);
  EXPECT_EQ(m_image.GetEndAddress(), 0x40u);
  EXPECT_EQ(ReadFile(m_staged), Bytes{0xA5});

  // Line n is a data record: the file goes on past what is read, and its image would be cut.
  text.resize(lastLine);
  text += record + after;
  EXPECT_FALSE(Load(text));
  EXPECT_EQ(m_image.LastError().line, CFirmwareImage::kMaxLines);
  EXPECT_EQ(m_image.LastError().reason,
            "the last line read (the file has more than 1,048,576 lines) is not a termination "
            "record (S7, S8 or S9)");
}

TEST_F(FirmwareTest, RefusesAFileLargerThanAnyFirmwareFileBeforeReadingIt) {
  // Sparse where the file system allows: no byte of it is read.
  WriteText(m_mot, kHeader + "\n");
  std::filesystem::resize_file(m_mot, CFirmwareImage::kMaxFileSize + 1);
  WriteText(m_staged, "kept");
  EXPECT_FALSE(m_image.LoadMotFile(m_mot.string(), m_staged.string()));
  EXPECT_EQ(m_image.LastError().line, 0u);
  EXPECT_EQ(m_image.LastError().reason,
            "the file is larger than any firmware file can be (more than 541,065,216 bytes): "
            "541065217 bytes");
  EXPECT_EQ(ReadText(m_staged), "kept");
}

TEST_F(FirmwareTest, AStopEndsTheLoadAndLeavesTheStagedFile) {
  WriteText(m_staged, "kept");
  std::atomic<bool> stop{true};
  m_image.SetStopFlag(&stop);
  EXPECT_FALSE(Load({kHeader, Rec('1', 0x40, {1, 2, 3}), kEnd}));
  EXPECT_EQ(m_image.LastError().reason, "the load was cancelled");
  EXPECT_EQ(ReadText(m_staged), "kept");
  stop = false;
  EXPECT_TRUE(Load({kHeader, Rec('1', 0x40, {1, 2, 3}), kEnd})) << m_image.LastError().reason;
  EXPECT_EQ(ReadFile(m_staged), (Bytes{1, 2, 3}));
}

TEST_F(FirmwareTest, TheLineReaderStopsAtItsBudgetAndWhenAsked) {
  WriteText(m_mot, "S0\nS1\nS2\nS3\n");  // 12 bytes
  const auto read = [&](uint64_t budget, const std::atomic<bool>* stop) {
    std::FILE* file = std::fopen(m_mot.string().c_str(), "rb");
    LineReader reader(file, budget, stop);
    std::vector<LineReader::Status> statuses;
    std::string_view line;
    for (int i = 0; i < 6; ++i) statuses.push_back(reader.Next(line));
    std::fclose(file);
    return statuses;
  };
  using S = LineReader::Status;
  EXPECT_EQ(read(12, nullptr),
            (std::vector<S>{S::kLine, S::kLine, S::kLine, S::kLine, S::kEnd, S::kEnd}));
  EXPECT_EQ(read(11, nullptr), (std::vector<S>(6, S::kTooLarge)));
  const std::atomic<bool> stop{true};
  EXPECT_EQ(read(0, &stop), (std::vector<S>(6, S::kStopped)));
}

}  // namespace
}  // namespace q7310
