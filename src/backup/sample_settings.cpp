#include "backup/sample_settings.h"

#include <algorithm>

#include "backup/backup_converter.h"
#include "backup/field_maps.h"
#include "backup/slot_record.h"
#include "protocol/protocol.h"

namespace q7310 {
namespace {

constexpr uint32_t kMaxExtraBytes = 32;      // random bytes beyond a section's minimum
constexpr uint32_t kFreeSectionLength = 48;  // longest section of a type without minimum
constexpr uint8_t kHeaderTypeLimit = 5;      // types 0 to 4 start with a header block

// xorshift32: small, fast and the same on every platform.
class Random {
 public:
  explicit Random(uint32_t seed) : m_state(seed == 0 ? 0x9E3779B9u : seed) {}
  uint32_t Next() {
    m_state ^= m_state << 13;
    m_state ^= m_state >> 17;
    m_state ^= m_state << 5;
    return m_state;
  }
  uint8_t Byte() { return static_cast<uint8_t>(Next() >> 24); }

 private:
  uint32_t m_state;
};

}  // namespace

std::vector<uint8_t> MakeSampleRawSettings(uint8_t format, uint32_t seed) {
  Random random(seed);
  std::array<uint8_t, backup::kHeaderBlockSize> header = backup::kHeaderDefault;
  header[backup::kHeaderFormatOffset] = format;
  header[backup::kHeaderFormatOffset + 1] = random.Byte();

  std::vector<uint8_t> raw;
  for (uint16_t slot = 0; slot < kSlotCount; ++slot) {
    const uint8_t type = kSampleSectionTypes[slot];
    const uint32_t minimum = CBackupConverter::MinRawLength(type);
    const uint32_t length = minimum == 0 ? random.Next() % (kFreeSectionLength + 1)
                                         : minimum + random.Next() % kMaxExtraBytes;
    const size_t start = raw.size();
    raw.resize(start + slot_record::kHeaderSize + length);
    uint8_t* record = raw.data() + start;
    slot_record::WriteBe16(record + slot_record::kSlotOffset, slot);
    slot_record::WriteBe16(record + slot_record::kLengthOffset, static_cast<uint16_t>(length));
    uint8_t* section = record + slot_record::kHeaderSize;
    std::generate(section, section + length, [&random] { return random.Byte(); });
    if (type < kHeaderTypeLimit) std::copy(header.begin(), header.end(), section);
    if (slot == 0) {
      std::copy(std::begin(kSampleSectionTypes), std::end(kSampleSectionTypes),
                section + backup::kSectionTypeTableOffset);
    }
  }
  return raw;
}

}  // namespace q7310
