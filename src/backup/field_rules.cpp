#include "backup/field_rules.h"

#include <algorithm>
#include <cstring>

namespace q7310::backup {
namespace {

constexpr uint32_t kWidenHead = 11;  // widen 17 to 19: bytes kept in place
constexpr uint32_t kWidenGap = 2;    // zero bytes inserted after them
constexpr uint32_t kWidenTail = 6;   // bytes moved behind the gap

// Sets width target bytes to value, zero-padded.
void SetDefault(const FieldRow& row, uint8_t* target) {
  const size_t n = std::min<size_t>(row.value.size(), row.width);
  std::memset(target, 0, row.width);
  if (n > 0) std::memcpy(target, row.value.data(), n);
}

void ApplyOnce(const FieldRow& row, const uint8_t* source, uint8_t* target,
               const uint8_t* slot0Header) {
  switch (row.rule) {
    case FieldRule::kCopy:
      std::memcpy(target, source, row.width);
      break;
    case FieldRule::kDefault:
      SetDefault(row, target);
      break;
    case FieldRule::kHeader:
      SetDefault(row, target);
      std::memcpy(target, source, row.width);
      break;
    case FieldRule::kSlot0Header:
      SetDefault(row, target);
      std::memcpy(target, slot0Header, row.width);
      break;
    case FieldRule::kRenumber:
      for (uint32_t i = 0; i < row.width; ++i) target[i] = RenumberSectionType(source[i]);
      break;
    case FieldRule::kIndex:
      SetDefault(row, target);
      if (source[0] >= 1) target[1] = static_cast<uint8_t>(source[0] - 1);
      break;
    case FieldRule::kWiden17To19:
      std::memcpy(target, source, kWidenHead);
      std::memset(target + kWidenHead, 0, kWidenGap);
      std::memcpy(target + kWidenHead + kWidenGap, source + kWidenHead, kWidenTail);
      break;
    case FieldRule::kWiden1To3:
      target[0] = source[0];
      target[1] = 0;
      target[2] = 0;
      break;
  }
}

void ApplyRows(std::span<const FieldRow> rows, const uint8_t* source, uint8_t* target,
               const uint8_t* slot0Header) {
  for (const FieldRow& row : rows) {
    for (uint32_t j = 0; j <= row.j.last; ++j) {
      for (uint32_t k = 0; k <= row.k.last; ++k) {
        const uint32_t t = row.target + j * row.j.targetStride + k * row.k.targetStride;
        const uint32_t s = row.source + j * row.j.sourceStride + k * row.k.sourceStride;
        ApplyOnce(row, source + s, target + t, slot0Header);
      }
    }
  }
}

}  // namespace

uint32_t SourceWidth(const FieldRow& row) {
  switch (row.rule) {
    case FieldRule::kCopy:
    case FieldRule::kHeader:
    case FieldRule::kRenumber:
      return row.width;
    case FieldRule::kIndex:
    case FieldRule::kWiden1To3:
      return 1;
    case FieldRule::kWiden17To19:
      return kWidenHead + kWidenTail;
    case FieldRule::kDefault:
    case FieldRule::kSlot0Header:
      return 0;
  }
  return 0;
}

void ApplyFieldMap(const FieldMap& map, uint8_t format, const uint8_t* source, uint8_t* target,
                   const uint8_t* slot0Header) {
  ApplyRows(map.common, source, target, slot0Header);
  if (format == 0) ApplyRows(map.format0, source, target, slot0Header);
  if (format == 1) ApplyRows(map.format1, source, target, slot0Header);
}

}  // namespace q7310::backup
