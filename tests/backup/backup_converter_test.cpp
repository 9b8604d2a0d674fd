// Convert: record walking, section types and their renumbering, sizes and every failure.
#include "backup/backup_converter.h"

#include <gtest/gtest.h>

#include <functional>

#include "backup_test_support.h"

namespace q7310 {
namespace {

using testing::AppendRecord;
using testing::Bytes;
using testing::PatternSection;

constexpr uint32_t kTypeTable = 18;  // section-type table offset in slot 0's section

// Nine records, slots 0 to 8; slot i gets rawTypes[i] in slot 0's type table and a section of
// lengths[i] pattern bytes (slot 0 at least 27, for its header block and type table).
Bytes RawSet(const std::array<uint8_t, 9>& rawTypes, const std::array<uint32_t, 9>& lengths,
             uint8_t format = 0) {
  Bytes raw;
  for (uint16_t slot = 0; slot < 9; ++slot) {
    Bytes section = PatternSection(lengths[slot], format);
    if (slot == 0) std::copy(rawTypes.begin(), rawTypes.end(), section.begin() + kTypeTable);
    AppendRecord(raw, slot, section);
  }
  return raw;
}

const std::array<uint8_t, 9> kNineTypes = {0, 1, 2, 3, 4, 5, 6, 7, 8};
const std::array<uint32_t, 9> kNineMinimums = {10224, 2659, 2791, 296, 288, 0, 0, 0, 0};

struct Converted {
  uint32_t length = 0;
  Bytes out = Bytes(CBackupConverter::kMaxConvertedLength, 0xCC);
};

Converted ConvertRaw(const Bytes& raw) {
  Converted c;
  CBackupConverter converter;
  c.length = converter.Convert(raw.data(), static_cast<uint32_t>(raw.size()), c.out.data());
  return c;
}

// (slot, length) of each converted record.
std::vector<std::pair<uint16_t, uint16_t>> RecordsOf(const Converted& c) {
  std::vector<std::pair<uint16_t, uint16_t>> records;
  for (uint32_t w = 0; w + 4 <= c.length;) {
    const uint16_t slot = static_cast<uint16_t>(c.out[w] << 8 | c.out[w + 1]);
    const uint16_t n = static_cast<uint16_t>(c.out[w + 2] << 8 | c.out[w + 3]);
    records.emplace_back(slot, n);
    w += 4 + n;
  }
  return records;
}

TEST(Convert, NineSectionTypesGiveTheFixedSizes) {
  const Converted c = ConvertRaw(RawSet(kNineTypes, kNineMinimums));
  EXPECT_EQ(c.length, 135204u);
  const std::vector<std::pair<uint16_t, uint16_t>> expected = {
      {0, 32768}, {1, 32768}, {2, 32768}, {3, 2048}, {4, 2048}, {5, 0}, {6, 0}, {7, 32768}, {8, 0}};
  EXPECT_EQ(RecordsOf(c), expected);
}

TEST(Convert, RawDataIsNotChanged) {
  const Bytes raw = RawSet(kNineTypes, kNineMinimums, 1);
  Bytes copy = raw;
  CBackupConverter converter;
  Bytes out(CBackupConverter::kMaxConvertedLength);
  ASSERT_NE(converter.Convert(copy.data(), static_cast<uint32_t>(copy.size()), out.data()), 0u);
  EXPECT_EQ(copy, raw);
}

TEST(Convert, RenumbersTheTypeTableAndLooksTypesUpRenumbered) {
  // Slot 1: raw 13 stays 13 (empty); slot 2: raw 14 becomes 15 (empty); slot 3: raw 255
  // becomes 0, so it converts as type 0 and needs 10,224 raw bytes.
  std::array<uint8_t, 9> types = {0, 13, 14, 255, 5, 5, 5, 5, 5};
  std::array<uint32_t, 9> lengths = {10224, 0, 0, 10224, 0, 0, 0, 0, 0};
  CBackupConverter converter;
  Bytes out(CBackupConverter::kMaxConvertedLength);
  Bytes raw = RawSet(types, lengths);
  const uint32_t length =
      converter.Convert(raw.data(), static_cast<uint32_t>(raw.size()), out.data());
  EXPECT_EQ(length, 2 * 32772u + 7 * 4u);
  EXPECT_EQ(converter.m_slotTypes, (std::array<uint8_t, 9>{0, 13, 15, 0, 5, 5, 5, 5, 5}));
  // Converted slot 0 carries the renumbered table.
  EXPECT_EQ(Bytes(out.begin() + 4 + kTypeTable, out.begin() + 4 + kTypeTable + 9),
            (Bytes{0, 13, 15, 0, 5, 5, 5, 5, 5}));

  lengths[3] = 10223;
  raw = RawSet(types, lengths);
  EXPECT_EQ(converter.Convert(raw.data(), static_cast<uint32_t>(raw.size()), out.data()), 0u);
}

TEST(Convert, TypesWithoutMinimumConvertFromEmptySections) {
  const std::array<uint8_t, 9> types = {0, 5, 6, 7, 200, 5, 5, 5, 5};
  const std::array<uint32_t, 9> lengths = {10224, 0, 0, 0, 0, 0, 0, 0, 0};
  const Converted c = ConvertRaw(RawSet(types, lengths));
  EXPECT_EQ(c.length, 32772u + 4 + 4 + 32772u + 5 * 4u);
}

TEST(Convert, Type7HeaderIsSlot0sEvenWhenItsOwnRawDataDiffers) {
  std::array<uint32_t, 9> lengths = kNineMinimums;
  lengths[7] = 40;  // slot 7's own bytes are a pattern, unlike slot 0's header
  Bytes raw = RawSet(kNineTypes, lengths);
  const Bytes slot0Header(raw.begin() + 4, raw.begin() + 4 + 18);
  const Converted c = ConvertRaw(raw);
  ASSERT_EQ(c.length, 135204u);
  const uint32_t slot7 = 3 * 32772 + 2 * 2052 + 2 * 4;
  ASSERT_EQ(c.out[slot7 + 1], 7);
  EXPECT_EQ(Bytes(c.out.begin() + slot7 + 4, c.out.begin() + slot7 + 4 + 18), slot0Header);
}

TEST(Convert, SlotOrderAndDuplicateSlotsAreNotFailures) {
  Bytes raw;
  Bytes slot0 = PatternSection(10224, 0);
  std::copy(kNineTypes.begin(), kNineTypes.end(), slot0.begin() + kTypeTable);
  AppendRecord(raw, 0, slot0);
  for (uint16_t slot : {8, 3, 3, 6, 5, 5, 6, 8}) {
    AppendRecord(raw, slot, PatternSection(slot == 3 ? 296 : 1, 0));
  }
  const Converted c = ConvertRaw(raw);
  EXPECT_EQ(c.length, 32772u + 4 + 2 * 2052u + 5 * 4u);
  EXPECT_EQ(RecordsOf(c)[1], (std::pair<uint16_t, uint16_t>{8, 0}));
}

struct MinimumCase {
  uint8_t type;
  uint32_t length;
  bool converts;
};

class ConvertMinimum : public ::testing::TestWithParam<MinimumCase> {};

TEST_P(ConvertMinimum, ShorterThanTheTypesMinimumFails) {
  const MinimumCase& c = GetParam();
  std::array<uint8_t, 9> types = {0, 5, 5, 5, 5, 5, 5, 5, 5};
  std::array<uint32_t, 9> lengths = {10224, 0, 0, 0, 0, 0, 0, 0, 0};
  types[1] = c.type;
  lengths[1] = c.length;
  EXPECT_EQ(ConvertRaw(RawSet(types, lengths)).length != 0, c.converts);
}

INSTANTIATE_TEST_SUITE_P(Boundaries, ConvertMinimum,
                         ::testing::Values(MinimumCase{0, 10223, false},
                                           MinimumCase{0, 10224, true}, MinimumCase{1, 2658, false},
                                           MinimumCase{1, 2659, true}, MinimumCase{2, 2790, false},
                                           MinimumCase{2, 2791, true}, MinimumCase{3, 295, false},
                                           MinimumCase{3, 296, true}, MinimumCase{4, 287, false},
                                           MinimumCase{4, 288, true}, MinimumCase{7, 0, true}));

TEST(ConvertMinimum, CoverEverySourceByteTheMapsRead) {
  // A map reading at or past its type's minimum would read outside a valid raw section.
  const std::pair<uint8_t, const backup::FieldMap*> maps[] = {{0, &backup::kSection0Map},
                                                              {1, &backup::kSection1Map},
                                                              {2, &backup::kSection2Map},
                                                              {3, &backup::kSection3Map},
                                                              {4, &backup::kSection4Map}};
  for (const auto& [type, map] : maps) {
    for (auto rows : {map->common, map->format0, map->format1}) {
      for (const backup::FieldRow& row : rows) {
        const uint32_t width = backup::SourceWidth(row);
        if (width == 0) continue;
        const uint32_t last = row.source + row.k.last * row.k.sourceStride +
                              row.j.last * row.j.sourceStride + width - 1;
        EXPECT_LT(last, CBackupConverter::MinRawLength(type))
            << "type " << int(type) << " row at target 0x" << std::hex << row.target;
      }
    }
  }
}

// Failures: the conversion returns 0.
struct FailureCase {
  const char* name;
  std::function<Bytes()> raw;
};

class ConvertFailure : public ::testing::TestWithParam<FailureCase> {};

TEST_P(ConvertFailure, ReturnsZero) {
  EXPECT_EQ(ConvertRaw(GetParam().raw()).length, 0u);
}

Bytes WithSlot0Byte(uint32_t offset, uint8_t value) {
  Bytes raw = RawSet(kNineTypes, kNineMinimums);
  raw[4 + offset] = value;
  return raw;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ConvertFailure,
    ::testing::Values(FailureCase{"FormatByte2", [] { return WithSlot0Byte(16, 2); }},
                      FailureCase{"FormatByte255", [] { return WithSlot0Byte(16, 255); }},
                      FailureCase{"SlotNumber9",
                                  [] {
                                    Bytes raw = RawSet(kNineTypes, kNineMinimums);
                                    raw.resize(raw.size() -
                                               4);             // last record (slot 8, length 0) ...
                                    AppendRecord(raw, 9, {});  // ... replaced by one of slot 9
                                    return raw;
                                  }},
                      FailureCase{"EightRecordsOnly",
                                  [] {
                                    Bytes raw = RawSet(kNineTypes, kNineMinimums);
                                    raw.resize(raw.size() - 4);
                                    return raw;
                                  }},
                      FailureCase{"LastRecordRunsPastTheData",
                                  [] {
                                    std::array<uint32_t, 9> lengths = kNineMinimums;
                                    lengths[8] = 10;
                                    Bytes raw = RawSet(kNineTypes, lengths);
                                    raw.pop_back();
                                    return raw;
                                  }},
                      FailureCase{"RecordHeaderCutShort",
                                  [] {
                                    Bytes raw = RawSet(kNineTypes, kNineMinimums);
                                    raw.resize(raw.size() - 2);
                                    return raw;
                                  }},
                      FailureCase{"NoRoomForHeaderAndTypeTable", [] { return Bytes(30, 0); }},
                      FailureCase{"Empty", [] { return Bytes{}; }}),
    [](const ::testing::TestParamInfo<FailureCase>& info) { return info.param.name; });

}  // namespace
}  // namespace q7310
