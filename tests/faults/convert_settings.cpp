// convert_settings RAW OUT: converts raw slot records (slot u16 BE, length u16 BE, data; the
// simulator's --save-settings file) as a backup does, and writes the result to OUT. This is what
// a good BACKUP.BIN holds for those settings. Exit status 0 on success, 1 when the records do
// not convert or a file cannot be read or written, 2 for wrong usage.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

#include "backup/settings_backup.h"
#include "support/converted_settings.h"

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
  if (!q7310::testing::SaveConvertedSettings(store, raw, argv[2])) {
    std::fprintf(stderr, "convert_settings: the settings do not convert\n");
    return 1;
  }
  return 0;
}
