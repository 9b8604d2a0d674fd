#include "backup/sample_settings.h"

#include <gtest/gtest.h>

#include "backup/backup_converter.h"
#include "backup/slot_record.h"

namespace q7310 {
namespace {

// Walks the records and returns (slot, length) pairs; stops at the end of the data.
std::vector<std::pair<uint16_t, uint16_t>> Records(const std::vector<uint8_t>& raw) {
  std::vector<std::pair<uint16_t, uint16_t>> out;
  size_t r = 0;
  while (r + 4 <= raw.size()) {
    const uint16_t slot = slot_record::ReadBe16(&raw[r]);
    const uint16_t n = slot_record::ReadBe16(&raw[r + 2]);
    out.emplace_back(slot, n);
    r += 4 + n;
  }
  EXPECT_EQ(r, raw.size()) << "records do not end with the data";
  return out;
}

class SampleSettings : public ::testing::TestWithParam<uint8_t> {};

TEST_P(SampleSettings, IsNineRecordsThatConvertToEveryKindOfSection) {
  const uint8_t format = GetParam();
  const std::vector<uint8_t> raw = MakeSampleRawSettings(format, 1234);
  const auto records = Records(raw);
  ASSERT_EQ(records.size(), 9u);
  for (uint16_t i = 0; i < 9; ++i) {
    EXPECT_EQ(records[i].first, i);
    EXPECT_GE(records[i].second, CBackupConverter::MinRawLength(kSampleSectionTypes[i]));
  }
  EXPECT_EQ(raw[4 + 16], format);

  std::vector<uint8_t> out(CBackupConverter::kMaxConvertedLength);
  CBackupConverter converter;
  // Four large sections (types 0, 1, 2, 7), two small (3, 4), three empty (5, 6, 8).
  EXPECT_EQ(converter.Convert(raw.data(), static_cast<uint32_t>(raw.size()), out.data()), 135204u);
}

INSTANTIATE_TEST_SUITE_P(BothFormats, SampleSettings, ::testing::Values(0, 1));

TEST(SampleSettingsSeed, SameSeedSameBytesOtherSeedOtherBytes) {
  EXPECT_EQ(MakeSampleRawSettings(0, 7), MakeSampleRawSettings(0, 7));
  EXPECT_NE(MakeSampleRawSettings(0, 7), MakeSampleRawSettings(0, 8));
  EXPECT_NE(MakeSampleRawSettings(0, 7), MakeSampleRawSettings(1, 7));
}

}  // namespace
}  // namespace q7310
