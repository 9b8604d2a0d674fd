// Golden tests of the six field maps in both formats. Each raw section holds Pattern(i) at byte
// i, so every source field has its own byte values; the expected converted section is written
// out here, field by field from the stored layout's definition, independently of the tables in
// field_maps.cpp. Every byte of the converted section is compared, zeros included.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "backup/backup_converter.h"
#include "backup_test_support.h"

namespace q7310 {
namespace {

using testing::Bytes;
using testing::PatternSection;

// Expected-section writers, each one a rule of the stored layout spelled out byte by byte.
void Put(Bytes& out, uint32_t target, const Bytes& src, uint32_t source, uint32_t width) {
  for (uint32_t i = 0; i < width; ++i) out.at(target + i) = src.at(source + i);
}
void PutBytes(Bytes& out, uint32_t target, const Bytes& value) {
  for (size_t i = 0; i < value.size(); ++i) out.at(target + i) = value[i];
}
uint8_t Renumbered(uint8_t v) {
  return v >= 14 ? static_cast<uint8_t>(v + 1) : v;
}

const Bytes kSection7Entry = {0x01, 0x04, 0x05, 0x02, 0x0A, 0x00, 0x0A, 0x00, 0x00};

void ExpectSection0(const Bytes& src, Bytes& exp, uint8_t format) {
  Put(exp, 0x000, src, 0x000, 18);
  for (uint32_t i = 0; i < 9; ++i) exp[0x012 + i] = Renumbered(src[0x012 + i]);
  // Pattern bytes are never 0, so both index fields take the source byte - 1.
  PutBytes(exp, 0x01B, {0x01, static_cast<uint8_t>(src[0x01B] - 1), 0x00});
  PutBytes(exp, 0x01E, {0x01, static_cast<uint8_t>(src[0x01C] - 1), 0x00});
  Put(exp, 0x021, src, 0x01D, 25);
  Put(exp, 0x03A, src, 0x036, 2);
  for (uint32_t k = 0; k < 8; ++k) Put(exp, 0x03C + 7 * k, src, 0x038 + 7 * k, 7);
  for (uint32_t k = 0; k < 8; ++k) Put(exp, 0x074 + 7 * k, src, 0x070 + 7 * k, 7);
  exp[0x0AC] = 0x04;
  for (uint32_t i = 0; i < 9; ++i) exp[0x0AD + i] = 0x01;
  if (format == 0) {
    for (uint32_t k = 0; k < 4; ++k) Put(exp, 0x0BD + 5 * k, src, 0x0A8 + 5 * k, 5);
    for (uint32_t k = 0; k < 4; ++k) Put(exp, 0x0D1 + k, src, 0x0BC + k, 1);
    Put(exp, 0x0D5, src, 0x0C0, 3);  // 0x0D5, 0x0D6, 0x0D7 from 0x0C0, 0x0C1, 0x0C2
    // Target 0x0D8 + 19k gets source 0x0C3 + 17k bytes 0..10, two zeros, then bytes 11..16.
    for (uint32_t k = 0; k < 33; ++k) {
      Put(exp, 0x0D8 + 19 * k, src, 0x0C3 + 17 * k, 11);
      Put(exp, 0x0D8 + 19 * k + 13, src, 0x0C3 + 17 * k + 11, 6);
    }
    Put(exp, 0x34B, src, 0x2F4, 8);    // 8 one-byte fields
    Put(exp, 0x353, src, 0x2FC, 16);   // 8 two-byte fields
    Put(exp, 0x363, src, 0x30C, 144);  // 8 x 18
    Put(exp, 0x3F3, src, 0x39C, 16);   // 8 x 2
    Put(exp, 0x403, src, 0x3AC, 80);   // 2 x 40
    exp[0x4C8] = src[0x3FC];
  } else {
    for (uint32_t k = 0; k < 4; ++k) Put(exp, 0x0BD + 6 * k, src, 0x0A8 + 6 * k, 6);
    for (uint32_t k = 0; k < 4; ++k) exp[0x0D5 + 3 * k] = src[0x0C0 + k];
    exp[0x0E1] = src[0x0C4];
    exp[0x0E2] = src[0x0C5];
    Put(exp, 0x0E3, src, 0x0C6, 18);
    Put(exp, 0x0F5, src, 0x0D8, 8);
    Put(exp, 0x145, src, 0x0E0, 33 * 303);  // 33 entries moved as a block of 9,999 bytes
    exp[0x2854] = src[0x27EF];
  }
}

void ExpectSection1(const Bytes& src, Bytes& exp, uint8_t format) {
  Put(exp, 0x000, src, 0x000, 18);
  if (format == 0) {
    Put(exp, 0x012, src, 0x012, 80);
  } else {
    Put(exp, 0x012, src, 0x013, 33 * 80);  // everything after source byte 0x012, one down
  }
}

void ExpectSection2(const Bytes& src, Bytes& exp, uint8_t format) {
  Put(exp, 0x000, src, 0x000, 18);
  if (format == 0) {
    Put(exp, 0x012, src, 0x012, 2);        // head of entry 0
    Put(exp, 0x014, src, 0x012 + 39, 2);   // head of entry 1
    Put(exp, 0x016, src, 0x014, 37);       // body of entry 0
    Put(exp, 0x03B, src, 0x014 + 39, 37);  // body of entry 1
    Put(exp, 0x060, src, 0x060, 4);
  } else {
    for (uint32_t j = 0; j < 33; ++j) {
      const uint32_t s = 0x013 + 84 * j;
      const uint32_t t = 0x012 + 84 * j;
      Put(exp, t + 0, src, s + 0, 2);
      Put(exp, t + 2, src, s + 39, 2);
      Put(exp, t + 4, src, s + 2, 37);
      Put(exp, t + 41, src, s + 41, 37);
      Put(exp, t + 0x4E, src, s + 0x4E, 6);  // 2 x 2 bytes and 2 x 1 byte, in place
    }
  }
}

void ExpectSection3(const Bytes& src, Bytes& exp, uint8_t format) {
  Put(exp, 0x000, src, 0x000, 18);
  const uint32_t entries = format == 0 ? 1 : 33;
  for (uint32_t k = 0; k < entries; ++k) Put(exp, 0x020 + 8 * k, src, 0x020 + 8 * k, 3);
}

void ExpectSection4(const Bytes& src, Bytes& exp, uint8_t format) {
  Put(exp, 0x000, src, 0x000, 18);
  for (uint32_t k = 0; k < 8; ++k) {
    if (format == 0) {
      Put(exp, 0x020 + 8 * k, src, 0x020 + 8 * k, 6);  // 5 bytes and 1 byte, adjacent
    } else {
      Put(exp, 0x020 + 16 * k, src, 0x020 + 16 * k, 6);
      exp[0x0A0 + 16 * k] = src[0x0A0 + 16 * k];
    }
  }
}

// Type 7: header block from slot 0, the rest defaults; src is not read.
void ExpectSection7(const Bytes& slot0Header, Bytes& exp, uint8_t format) {
  PutBytes(exp, 0x000, slot0Header);
  const uint32_t groups = format == 0 ? 1 : 33;
  for (uint32_t j = 0; j < groups; ++j) {
    PutBytes(exp, 0x016 + 22 * j, kSection7Entry);
    PutBytes(exp, 0x016 + 22 * j + 9, kSection7Entry);
  }
}

using SectionFn = void (CBackupConverter::*)(const uint8_t*, uint8_t*) const;

struct GoldenCase {
  const char* name;
  friend void PrintTo(const GoldenCase& c, std::ostream* os) { *os << c.name; }
  uint8_t type;
  uint8_t format;
  SectionFn convert;
};

class FieldMapGolden : public ::testing::TestWithParam<GoldenCase> {};

// Index of the first differing byte, or -1.
long FirstDifference(const Bytes& a, const Bytes& b) {
  for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
    if (a[i] != b[i]) return static_cast<long>(i);
  }
  return a.size() == b.size() ? -1 : static_cast<long>(std::min(a.size(), b.size()));
}

TEST_P(FieldMapGolden, EveryConvertedByteIsAsTheLayoutSays) {
  const GoldenCase& c = GetParam();
  // Type 7 has no minimum and reads nothing; give it raw bytes of its own all the same.
  const uint32_t rawLength = c.type == 7 ? 64 : CBackupConverter::MinRawLength(c.type);
  const Bytes src = PatternSection(rawLength, c.format);
  CBackupConverter converter;
  // Slot 0's header block: the format byte selects the variant; its text differs from src's.
  Bytes slot0Header = PatternSection(18, c.format);
  std::memset(slot0Header.data(), 'h', 16);
  std::copy(slot0Header.begin(), slot0Header.end(), converter.m_header.begin());

  Bytes got(CBackupConverter::ConvertedSize(c.type), 0);
  (converter.*c.convert)(src.data(), got.data());

  Bytes exp(got.size(), 0);
  switch (c.type) {
    case 0:
      ExpectSection0(src, exp, c.format);
      break;
    case 1:
      ExpectSection1(src, exp, c.format);
      break;
    case 2:
      ExpectSection2(src, exp, c.format);
      break;
    case 3:
      ExpectSection3(src, exp, c.format);
      break;
    case 4:
      ExpectSection4(src, exp, c.format);
      break;
    case 7:
      ExpectSection7(slot0Header, exp, c.format);
      break;
  }
  const long diff = FirstDifference(got, exp);
  EXPECT_EQ(diff, -1) << "first difference at target 0x" << std::hex << diff << ": got 0x"
                      << int(got.at(diff)) << ", expected 0x" << int(exp.at(diff));
}

INSTANTIATE_TEST_SUITE_P(
    AllTypes, FieldMapGolden,
    ::testing::Values(GoldenCase{"Type0Format0", 0, 0, &CBackupConverter::ConvertSection0},
                      GoldenCase{"Type0Format1", 0, 1, &CBackupConverter::ConvertSection0},
                      GoldenCase{"Type1Format0", 1, 0, &CBackupConverter::ConvertSection1},
                      GoldenCase{"Type1Format1", 1, 1, &CBackupConverter::ConvertSection1},
                      GoldenCase{"Type2Format0", 2, 0, &CBackupConverter::ConvertSection2},
                      GoldenCase{"Type2Format1", 2, 1, &CBackupConverter::ConvertSection2},
                      GoldenCase{"Type3Format0", 3, 0, &CBackupConverter::ConvertSection3},
                      GoldenCase{"Type3Format1", 3, 1, &CBackupConverter::ConvertSection3},
                      GoldenCase{"Type4Format0", 4, 0, &CBackupConverter::ConvertSection4},
                      GoldenCase{"Type4Format1", 4, 1, &CBackupConverter::ConvertSection4},
                      GoldenCase{"Type7Format0", 7, 0, &CBackupConverter::BuildSection7},
                      GoldenCase{"Type7Format1", 7, 1, &CBackupConverter::BuildSection7}),
    [](const ::testing::TestParamInfo<GoldenCase>& info) { return info.param.name; });

// Landmarks written out as literal bytes, for the rules whose layout is easiest to get wrong.
TEST(FieldMapLiteral, Widen17To19InsertsTwoZerosAfterByte10) {
  Bytes src = PatternSection(CBackupConverter::MinRawLength(0), 0);
  for (uint8_t i = 0; i < 17; ++i) src[0x0C3 + i] = i;  // entry k = 0 holds 00 .. 10
  CBackupConverter converter;
  std::copy_n(src.begin(), 18, converter.m_header.begin());
  Bytes got(0x8000, 0);
  converter.ConvertSection0(src.data(), got.data());
  const Bytes expected = {0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09,
                          0x0A, 0x00, 0x00, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F, 0x10};
  EXPECT_EQ(Bytes(got.begin() + 0x0D8, got.begin() + 0x0D8 + 19), expected);
}

struct IndexCase {
  uint8_t source0;
  uint8_t source1;
  Bytes target;  // converted bytes 0x01B .. 0x020
};

class FieldMapIndex : public ::testing::TestWithParam<IndexCase> {};

TEST_P(FieldMapIndex, SourceByteMinusOneOrTheDefault) {
  const IndexCase& c = GetParam();
  Bytes src = PatternSection(CBackupConverter::MinRawLength(0), 0);
  src[0x01B] = c.source0;
  src[0x01C] = c.source1;
  CBackupConverter converter;
  std::copy_n(src.begin(), 18, converter.m_header.begin());
  Bytes got(0x8000, 0);
  converter.ConvertSection0(src.data(), got.data());
  EXPECT_EQ(Bytes(got.begin() + 0x01B, got.begin() + 0x021), c.target);
}

INSTANTIATE_TEST_SUITE_P(Values, FieldMapIndex,
                         ::testing::Values(IndexCase{3, 0, {0x01, 0x02, 0x00, 0x01, 0x09, 0x00}},
                                           IndexCase{0, 1, {0x01, 0x08, 0x00, 0x01, 0x00, 0x00}},
                                           IndexCase{
                                               0xFF, 0, {0x01, 0xFE, 0x00, 0x01, 0x09, 0x00}}));

TEST(FieldMapNullPointers, SectionFunctionsDoNothing) {
  CBackupConverter converter;
  Bytes target(0x8000, 0xAB);
  const Bytes src = PatternSection(CBackupConverter::MinRawLength(0), 0);
  converter.ConvertSection0(nullptr, target.data());
  converter.ConvertSection2(src.data(), nullptr);
  converter.BuildSection7(nullptr, target.data());
  EXPECT_EQ(target, Bytes(0x8000, 0xAB));
}

}  // namespace
}  // namespace q7310
