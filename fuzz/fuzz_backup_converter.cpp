// Fuzz target: CBackupConverter::Convert on arbitrary raw slot records. A conversion that
// succeeds must fit the output buffer.
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "backup/backup_converter.h"

using q7310::CBackupConverter;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const auto out = std::make_unique<uint8_t[]>(CBackupConverter::kMaxConvertedLength);
  CBackupConverter converter;
  const uint32_t length = converter.Convert(data, static_cast<uint32_t>(size), out.get());
  if (length > CBackupConverter::kMaxConvertedLength) std::abort();
  return 0;
}
