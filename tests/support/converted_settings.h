// What a good BACKUP.BIN holds for a set of raw settings: the raw slot records (slot u16 BE,
// length u16 BE, data), each stored as one whole-slot block and converted as a backup does.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "backup/settings_backup.h"
#include "protocol/protocol.h"

namespace q7310::testing {

// Stores `raw` in `store` and writes its conversion to `path`. False when a record is cut short,
// a block is refused, or the conversion or the write fails.
inline bool SaveConvertedSettings(CSettingsBackup& store, std::span<const uint8_t> raw,
                                  const std::string& path) {
  constexpr size_t kHeader = 4;
  store.Clear();
  size_t pos = 0;
  while (pos + kHeader <= raw.size()) {
    const auto slot = static_cast<uint16_t>((raw[pos] << 8) | raw[pos + 1]);
    const auto length = static_cast<uint16_t>((raw[pos + 2] << 8) | raw[pos + 3]);
    if (pos + kHeader + length > raw.size() ||
        !store.StoreBlock(kEndOfSlotControl, 0, slot, raw.data() + pos + kHeader, length)) {
      return false;
    }
    pos += kHeader + length;
  }
  return pos == raw.size() && store.ConvertAndSave(path);
}

}  // namespace q7310::testing
