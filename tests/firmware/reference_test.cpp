// The staged image of generated files against independent references: srec_cat, and the image
// that tools/gen_srec.py computes itself (for files with overlaps, which srec_cat refuses). The
// generator marks what it makes as the simulator's sample, as the repository's sample is.
#include <cstdlib>

#include "firmware/srec_fixture.h"
#include "support/sample_firmware.h"

namespace q7310 {
namespace {

using namespace testing;

struct Generated {
  const char* options;
  bool overlaps;
};

const std::vector<Generated> kFiles = {
    {"--type S1 --size 3000 --bytes-per-record 16 --start 0x0100 --seed 1", false},
    {"--type S1 --size 4096 --bytes-per-record 252 --start 0x8000 --seed 2 --gaps 3", false},
    {"--type S2 --size 20000 --bytes-per-record 32 --start 0x010000 --seed 3 --gaps 20", false},
    {"--type S2 --size 777 --bytes-per-record 1 --start 0xFFF000 --seed 4 --order descending",
     false},
    {"--type S3 --size 65536 --bytes-per-record 32 --start 0x08000000 --seed 5 --gaps 9 "
     "--order shuffled --crlf",
     false},
    {"--type S3 --size 5000 --bytes-per-record 250 --start 0xFFFF0000 --seed 6", false},
    {"--type S1 --size 2000 --bytes-per-record 32 --start 0x0000 --seed 7 --overlaps 40", true},
    {"--type S2 --size 9000 --bytes-per-record 64 --start 0x200000 --seed 8 --overlaps 100 "
     "--gaps 10 --order shuffled",
     true},
    {"--type S3 --size 3000 --bytes-per-record 16 --start 0x100 --seed 9 --overlaps 50", true},
};

bool RunShell(const std::string& command) {
  return std::system(command.c_str()) == 0;
}

bool HaveProgram(const std::string& name) {
  return !name.empty() && RunShell("command -v '" + name + "' >/dev/null 2>&1");
}

// Each generated file is loaded once and compared with the generator's own image of it and,
// when it has no overlaps, with srec_cat's.
TEST_F(FirmwareTest, StagedImageOfGeneratedFilesEqualsTheReferences) {
  if (!HaveProgram(Q7310_PYTHON3)) GTEST_SKIP() << "python3 is not installed";
  const bool haveSrecCat = HaveProgram("srec_cat");
  const auto model = m_dir / "model.bin";
  const auto reference = m_dir / "srec_cat.bin";
  const std::string in = m_mot.string();
  for (const Generated& file : kFiles) {
    SCOPED_TRACE(file.options);
    const std::string generate = std::string(Q7310_PYTHON3) + " " + Q7310_SOURCE_DIR +
                                 "/tools/gen_srec.py " + in + " " + file.options + " --expect " +
                                 model.string();
    ASSERT_TRUE(RunShell(generate)) << generate;
    ASSERT_TRUE(m_image.LoadMotFile(in, m_staged.string())) << m_image.LastError().reason;
    // Made-up bytes: the generator's default header is the sample's mark.
    EXPECT_TRUE(m_image.IsSimulatorSample()) << m_image.HeaderText();
    const Bytes staged = ReadFile(m_staged);
    EXPECT_EQ(staged, ReadFile(model));
    uint32_t sum = 0;
    for (uint8_t b : staged) sum += b;
    EXPECT_EQ(m_image.GetImageSum(), sum);
    EXPECT_EQ(m_image.GetImageSize(), staged.size());

    if (file.overlaps || !haveSrecCat) continue;
    ASSERT_TRUE(RunShell("srec_cat -disable-sequence-warnings '(' " + in +
                         " -Motorola -fill 0xFF -over " + in + " -Motorola ')' -offset - " +
                         "-minimum-addr " + in + " -Motorola -o " + reference.string() +
                         " -Binary"));
    EXPECT_EQ(staged, ReadFile(reference));
  }
  if (!haveSrecCat) GTEST_SKIP() << "srec_cat is not installed (Debian package srecord)";
}

// The repository's sample: marked in its header, and the same 64 KiB image as before it was
// marked (the figures and the tests that compare images rely on it).
TEST_F(FirmwareTest, SampleFirmwareFileLoadsAndIsMarked) {
  ASSERT_TRUE(m_image.LoadMotFile(SampleFirmwarePath().string(), m_staged.string()))
      << m_image.LastError().reason;
  EXPECT_TRUE(m_image.IsSimulatorSample());
  EXPECT_EQ(m_image.HeaderText(), "SAMPLE FOR q7310-sim ONLY - NOT FIRMWARE FOR AN AMPLIFIER");
  EXPECT_EQ(m_image.GetStartAddress(), 0x010000u);
  EXPECT_EQ(m_image.GetImageSize(), 65536u);
  EXPECT_EQ(m_image.GetImageSum(), 0x7F9D93u);

  m_image.RefuseSimulatorSample(true);
  EXPECT_FALSE(m_image.LoadMotFile(SampleFirmwarePath().string(), m_staged.string()));
  EXPECT_EQ(m_image.LastError().fault, LoadFault::kSimulatorSample);
}

}  // namespace
}  // namespace q7310
