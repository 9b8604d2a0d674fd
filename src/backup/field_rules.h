// The field-map interpreter of the backup conversion. A field map is a list of rows; each row
// says how one field of a converted section, or a run of equally spaced fields, is produced from
// the raw section. The maps themselves are data (field_maps.cpp); ApplyFieldMap runs them.
//
// Offsets are relative to the start of the raw section (source) and of the converted section
// (target). A row is applied for j = 0..j.last (outer) and, within each j, for k = 0..k.last,
// in ascending order, at
//   target + j * j.targetStride + k * k.targetStride   and   source + j * j.sourceStride + ...
#pragma once

#include <cstdint>
#include <span>

namespace q7310::backup {

enum class FieldRule : uint8_t {
  kCopy,         // width bytes copied unchanged
  kDefault,      // target set to value, zero-padded to width; no source
  kHeader,       // header block: target set to value, then overwritten by width source bytes
  kSlot0Header,  // target set to value, then overwritten by slot 0's header block; no source
  kRenumber,     // width bytes copied, each renumbered (RenumberSectionType)
  kIndex,        // 1 source byte s: target set to value; if s >= 1, target byte 1 = s - 1
  kWiden17To19,  // 19 target bytes: source 0..10, two zero bytes, source 11..16
  kWiden1To3,    // 3 target bytes: the source byte, then two zero bytes
};

struct Repeat {
  uint16_t last = 0;  // the index runs 0..last
  uint16_t targetStride = 0;
  uint16_t sourceStride = 0;
};

struct FieldRow {
  uint16_t target = 0;
  uint16_t width = 0;  // target bytes written by one application
  uint16_t source = 0;
  FieldRule rule = FieldRule::kCopy;
  Repeat k;
  Repeat j;
  std::span<const uint8_t> value;  // default bytes of kDefault, kHeader, kSlot0Header, kIndex

  // Repeat the row for k = 0..last (inner) or j = 0..last (outer).
  constexpr FieldRow K(uint16_t last, uint16_t targetStride, uint16_t sourceStride) const {
    FieldRow row = *this;
    row.k = Repeat{last, targetStride, sourceStride};
    return row;
  }
  constexpr FieldRow J(uint16_t last, uint16_t targetStride, uint16_t sourceStride) const {
    FieldRow row = *this;
    row.j = Repeat{last, targetStride, sourceStride};
    return row;
  }
};

// Row builders, one per rule, so that a table row reads like "Copy(target, width, source)".
constexpr FieldRow Copy(uint16_t target, uint16_t width, uint16_t source) {
  return FieldRow{target, width, source, FieldRule::kCopy, {}, {}, {}};
}
constexpr FieldRow Default(uint16_t target, uint16_t width, std::span<const uint8_t> value = {}) {
  return FieldRow{target, width, 0, FieldRule::kDefault, {}, {}, value};
}
constexpr FieldRow Header(uint16_t target, uint16_t width, uint16_t source,
                          std::span<const uint8_t> value) {
  return FieldRow{target, width, source, FieldRule::kHeader, {}, {}, value};
}
constexpr FieldRow Slot0Header(uint16_t target, uint16_t width, std::span<const uint8_t> value) {
  return FieldRow{target, width, 0, FieldRule::kSlot0Header, {}, {}, value};
}
constexpr FieldRow Renumber(uint16_t target, uint16_t width, uint16_t source) {
  return FieldRow{target, width, source, FieldRule::kRenumber, {}, {}, {}};
}
constexpr FieldRow Index(uint16_t target, uint16_t source, std::span<const uint8_t> value) {
  return FieldRow{target, 3, source, FieldRule::kIndex, {}, {}, value};
}
constexpr FieldRow Widen17To19(uint16_t target, uint16_t source) {
  return FieldRow{target, 19, source, FieldRule::kWiden17To19, {}, {}, {}};
}
constexpr FieldRow Widen1To3(uint16_t target, uint16_t source) {
  return FieldRow{target, 3, source, FieldRule::kWiden1To3, {}, {}, {}};
}

// A section type's field map: rows for both formats, then the rows of the selected format.
struct FieldMap {
  std::span<const FieldRow> common;
  std::span<const FieldRow> format0;
  std::span<const FieldRow> format1;
};

// Section-type renumbering of the stored layout: 14 or more is increased by 1 in 8-bit
// arithmetic (255 becomes 0); 0 to 13 stay.
inline uint8_t RenumberSectionType(uint8_t type) {
  return type >= 14 ? static_cast<uint8_t>(type + 1) : type;
}

// Number of source bytes one application of the row reads (0 for rows without a source).
uint32_t SourceWidth(const FieldRow& row);

// Applies the rows of `map` for `format` (0 or 1; anything else applies the common rows only)
// from `source` to `target`. `slot0Header` (18 bytes) feeds kSlot0Header rows. The caller
// guarantees that every byte the rows address lies inside both sections.
void ApplyFieldMap(const FieldMap& map, uint8_t format, const uint8_t* source, uint8_t* target,
                   const uint8_t* slot0Header);

}  // namespace q7310::backup
