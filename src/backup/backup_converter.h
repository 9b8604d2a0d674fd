// CBackupConverter: converts the nine raw slot records of a backup into the stored layout.
//
// The first raw record is taken as slot 0's: its header block (18 bytes) gives the format byte
// (0 or 1) that selects the variant of every field map, and its section-type table (9 bytes
// right after the header block) gives, renumbered, each slot's section type. The type of a
// record is looked up by the slot number in the record. It sets the record's minimum raw length,
// its fixed converted length and its field map (field_maps.cpp). A converted section is zero-
// filled, then its map runs. Nine records in, nine records out, same order and slot numbers.
//
// Short-lived: ConvertAndSave creates one on its stack. Not thread-safe; no allocation.
#pragma once

#include <array>
#include <cstdint>

#include "backup/field_maps.h"
#include "backup/slot_record.h"
#include "protocol/protocol.h"

namespace q7310 {

class CBackupConverter {
 public:
  static constexpr uint32_t kSectionTypeCount = 256;
  static constexpr uint16_t kLargeSection = 0x8000;  // 32,768
  static constexpr uint16_t kSmallSection = 0x800;   // 2,048
  // The largest output: nine records of the largest converted section.
  static constexpr uint32_t kMaxConvertedLength =
      kSlotCount * (slot_record::kHeaderSize + kLargeSection);
  static constexpr uint8_t kMaxFormat = 1;
  static constexpr uint16_t kMaxSlot = kSlotCount - 1;

  CBackupConverter() = default;
  virtual ~CBackupConverter() = default;

  // Converts nine raw slot records read from raw (rawLength bytes) into out, which must hold
  // kMaxConvertedLength bytes. Returns the total length of the converted records, or 0 when
  // the conversion fails: the format byte is greater than 1, a record's slot number is greater
  // than 8, a record is shorter than its type's minimum raw length, or the header block, the
  // section-type table or a record runs past rawLength. After a failure out holds whatever was
  // written before it. The raw data is never changed.
  uint32_t Convert(const uint8_t* raw, uint32_t rawLength, uint8_t* out);

  // The converted data length of a section type (0 for types without a field map but 7).
  static uint16_t ConvertedSize(uint8_t type);
  // The shortest raw section that a type's field map may read.
  static uint16_t MinRawLength(uint8_t type);

  // Apply one type's field map from the raw section at source to the converted section at
  // target (already zero-filled, ConvertedSize bytes). The format comes from m_header. Each
  // does nothing if either pointer is null. BuildSection7 reads no source bytes: its header
  // block is m_header.
  void ConvertSection0(const uint8_t* source, uint8_t* target) const;
  void ConvertSection1(const uint8_t* source, uint8_t* target) const;
  void ConvertSection2(const uint8_t* source, uint8_t* target) const;
  void ConvertSection3(const uint8_t* source, uint8_t* target) const;
  void ConvertSection4(const uint8_t* source, uint8_t* target) const;
  void BuildSection7(const uint8_t* source, uint8_t* target) const;

  // Filled by Convert before any record is read; set directly to run a single section map.
  std::array<uint8_t, backup::kHeaderBlockSize> m_header{};  // byte 16: the format byte
  std::array<uint8_t, kSlotCount> m_slotTypes{};             // renumbered section types

 private:
  void Apply(const backup::FieldMap& map, const uint8_t* source, uint8_t* target) const;
  void ConvertSection(uint8_t type, const uint8_t* source, uint8_t* target) const;
};

}  // namespace q7310
