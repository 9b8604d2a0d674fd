#include "backup/backup_converter.h"

#include <cstring>

namespace q7310 {
namespace {

using backup::kHeaderBlockSize;
using backup::kHeaderFormatOffset;
using backup::kSectionTypeTableOffset;
using slot_record::kHeaderSize;

struct SectionTypeInfo {
  uint16_t minRawLength;
  uint16_t convertedLength;
};

// Types 0 to 7; every type from 8 on is like 5 and 6: no minimum, an empty converted record.
constexpr SectionTypeInfo kSectionTypes[] = {
    {10224, CBackupConverter::kLargeSection},  // 0
    {2659, CBackupConverter::kLargeSection},   // 1
    {2791, CBackupConverter::kLargeSection},   // 2
    {296, CBackupConverter::kSmallSection},    // 3
    {288, CBackupConverter::kSmallSection},    // 4
    {0, 0},                                    // 5
    {0, 0},                                    // 6
    {0, CBackupConverter::kLargeSection},      // 7: built from defaults, raw not read
};
constexpr SectionTypeInfo kOtherType = {0, 0};

const SectionTypeInfo& InfoOf(uint8_t type) {
  return type < std::size(kSectionTypes) ? kSectionTypes[type] : kOtherType;
}

// Offsets in the raw data: slot 0's header block and its section-type table.
constexpr uint32_t kRawHeaderOffset = kHeaderSize;
constexpr uint32_t kRawTypeTableOffset = kHeaderSize + kSectionTypeTableOffset;

}  // namespace

uint16_t CBackupConverter::ConvertedSize(uint8_t type) {
  return InfoOf(type).convertedLength;
}

uint16_t CBackupConverter::MinRawLength(uint8_t type) {
  return InfoOf(type).minRawLength;
}

void CBackupConverter::Apply(const backup::FieldMap& map, const uint8_t* source,
                             uint8_t* target) const {
  if (source == nullptr || target == nullptr) return;
  backup::ApplyFieldMap(map, m_header[kHeaderFormatOffset], source, target, m_header.data());
}

void CBackupConverter::ConvertSection0(const uint8_t* source, uint8_t* target) const {
  Apply(backup::kSection0Map, source, target);
}
void CBackupConverter::ConvertSection1(const uint8_t* source, uint8_t* target) const {
  Apply(backup::kSection1Map, source, target);
}
void CBackupConverter::ConvertSection2(const uint8_t* source, uint8_t* target) const {
  Apply(backup::kSection2Map, source, target);
}
void CBackupConverter::ConvertSection3(const uint8_t* source, uint8_t* target) const {
  Apply(backup::kSection3Map, source, target);
}
void CBackupConverter::ConvertSection4(const uint8_t* source, uint8_t* target) const {
  Apply(backup::kSection4Map, source, target);
}
void CBackupConverter::BuildSection7(const uint8_t* source, uint8_t* target) const {
  Apply(backup::kSection7Map, source, target);
}

void CBackupConverter::ConvertSection(uint8_t type, const uint8_t* source, uint8_t* target) const {
  switch (type) {
    case 0:
      ConvertSection0(source, target);
      break;
    case 1:
      ConvertSection1(source, target);
      break;
    case 2:
      ConvertSection2(source, target);
      break;
    case 3:
      ConvertSection3(source, target);
      break;
    case 4:
      ConvertSection4(source, target);
      break;
    case 7:
      BuildSection7(source, target);
      break;
    default:
      break;  // no field map: an empty record
  }
}

uint32_t CBackupConverter::Convert(const uint8_t* raw, uint32_t rawLength, uint8_t* out) {
  if (raw == nullptr || out == nullptr) return 0;
  if (rawLength < kRawTypeTableOffset + kSlotCount) return 0;

  std::memcpy(m_header.data(), raw + kRawHeaderOffset, kHeaderBlockSize);
  for (uint32_t i = 0; i < kSlotCount; ++i) {
    m_slotTypes[i] = backup::RenumberSectionType(raw[kRawTypeTableOffset + i]);
  }
  if (m_header[kHeaderFormatOffset] > kMaxFormat) return 0;

  uint32_t r = 0;
  uint32_t w = 0;
  for (uint32_t record = 0; record < kSlotCount; ++record) {
    if (rawLength - r < kHeaderSize) return 0;
    const uint16_t slot = slot_record::ReadBe16(raw + r + slot_record::kSlotOffset);
    const uint16_t n = slot_record::ReadBe16(raw + r + slot_record::kLengthOffset);
    if (n > rawLength - r - kHeaderSize) return 0;  // the record runs past the raw data
    if (slot > kMaxSlot) return 0;
    const uint8_t type = m_slotTypes[slot];
    if (n < MinRawLength(type)) return 0;

    const uint16_t size = ConvertedSize(type);
    std::memset(out + w, 0, kHeaderSize + size);
    slot_record::WriteBe16(out + w + slot_record::kSlotOffset, slot);
    slot_record::WriteBe16(out + w + slot_record::kLengthOffset, size);
    ConvertSection(type, raw + r + kHeaderSize, out + w + kHeaderSize);
    w += kHeaderSize + size;
    r += kHeaderSize + n;
  }
  return w;
}

}  // namespace q7310
