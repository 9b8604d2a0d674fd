// convert_settings RAW OUT: converts raw slot records (slot u16 BE, length u16 BE, data; the
// simulator's --save-settings file) as a backup does, and writes the result to OUT. This is what
// a good BACKUP.BIN holds for those settings. Exit status 0 on success, 1 when the records do
// not convert or a file cannot be read or written, 2 for wrong usage.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

#include "backup/settings_backup.h"
#include "backup/slot_record.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: convert_settings RAW OUT\n");
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "convert_settings: cannot read %s\n", argv[1]);
    return 1;
  }
  const std::vector<uint8_t> raw((std::istreambuf_iterator<char>(in)), {});
  q7310::CSettingsBackup store;
  constexpr size_t kHeader = q7310::slot_record::kHeaderSize;
  constexpr uint16_t kLastBlock = 0x0100;  // control word: the slot ends with this block
  size_t pos = 0;
  while (pos + kHeader <= raw.size()) {
    const auto slot = static_cast<uint16_t>((raw[pos] << 8) | raw[pos + 1]);
    const auto length = static_cast<uint16_t>((raw[pos + 2] << 8) | raw[pos + 3]);
    if (pos + kHeader + length > raw.size() ||
        !store.StoreBlock(kLastBlock, 0, slot, raw.data() + pos + kHeader, length)) {
      std::fprintf(stderr, "convert_settings: bad record at byte %zu\n", pos);
      return 1;
    }
    pos += kHeader + length;
  }
  if (pos != raw.size() || !store.ConvertAndSave(argv[2])) {
    std::fprintf(stderr, "convert_settings: the settings do not convert\n");
    return 1;
  }
  return 0;
}
