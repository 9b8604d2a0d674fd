// A valid raw settings set for simulators and tests: the nine raw slot records that an amplifier
// would send in a BACKUP, ready for CSettingsBackup::StoreBlock (or for CBackupConverter).
#pragma once

#include <cstdint>
#include <vector>

namespace q7310 {

// The section type that MakeSampleRawSettings gives slot i: 0, 1, 2, 3, 4, 5, 6, 7, 8, so that
// every kind of section appears once (8 standing for all types without a field map).
inline constexpr uint8_t kSampleSectionTypes[9] = {0, 1, 2, 3, 4, 5, 6, 7, 8};

// Nine raw slot records, slots 0 to 8 in order. Slot 0's section starts with a header block
// (header text "Q-7310_V1.00Data", the given format byte, one seed-dependent byte) followed by
// the section-type table kSampleSectionTypes; the sections of types 0 to 4 all start with that
// header block. Each section is at least its type's minimum raw length (plus a seed-dependent
// few bytes) and its other bytes are pseudo-random from seed. The same format and seed always
// give the same bytes. format should be 0 or 1; other values give a set that fails conversion.
std::vector<uint8_t> MakeSampleRawSettings(uint8_t format, uint32_t seed);

}  // namespace q7310
