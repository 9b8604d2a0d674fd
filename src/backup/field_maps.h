// The field maps of the backup conversion, one per section type that has one. Each map is a
// table of FieldRow (field_rules.h) written row for row against the stored layout's definition.
#pragma once

#include <array>
#include <cstdint>

#include "backup/field_rules.h"

namespace q7310::backup {

// The header block that starts raw sections of types 0 to 4 and converted sections of types 0
// to 4 and 7: 16 characters of header text, the format byte, one byte carried along.
inline constexpr uint32_t kHeaderBlockSize = 18;
inline constexpr uint32_t kHeaderFormatOffset = 16;
inline constexpr uint32_t kHeaderTextSize = 16;
// The section-type table in slot 0's section, one byte for each slot 0 to 8.
inline constexpr uint32_t kSectionTypeTableOffset = 18;

// The value a header block is set to before its source is copied over it.
extern const std::array<uint8_t, kHeaderBlockSize> kHeaderDefault;

extern const FieldMap kSection0Map;
extern const FieldMap kSection1Map;
extern const FieldMap kSection2Map;
extern const FieldMap kSection3Map;
extern const FieldMap kSection4Map;
extern const FieldMap kSection7Map;

}  // namespace q7310::backup
