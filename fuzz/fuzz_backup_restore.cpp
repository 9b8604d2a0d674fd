// Fuzz target: LoadBackup on an arbitrary file, then every restore block handed out. A file
// that loads has been checked as a whole, so every block must be handed out: each holds at most
// 64 bytes, and the records' headers and data add up to exactly the file.
#include <cstdint>
#include <cstdlib>

#include "backup/settings_backup.h"
#include "fuzz_support.h"
#include "protocol/protocol.h"

using q7310::CSettingsBackup;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = q7310::fuzz::ScratchPath("BACKUP.BIN");
  static CSettingsBackup store;  // two 320 KiB buffers: allocated once
  q7310::fuzz::WriteFileOrDie(path, data, size);

  store.Clear();
  if (!store.LoadBackup(path)) return 0;
  uint16_t control = 0, block = 0, slot = 0, length = 0;
  uint8_t bytes[q7310::kRestoreBlockSize];
  constexpr uint64_t kRecordHeaderSize = 4;
  uint64_t handedOut = 0;
  // Every block takes at least one byte of the file (its data, or a record's 4-byte header).
  for (size_t i = 0; i <= size && store.HasNextBlock(); ++i) {
    if (!store.GetNextBlock(control, block, slot, bytes, length)) std::abort();
    if (length > q7310::kRestoreBlockSize) std::abort();
    handedOut += length;
    if (control == q7310::kEndOfSlotControl) handedOut += kRecordHeaderSize;  // one record done
  }
  if (store.HasNextBlock() || handedOut != size) std::abort();
  return 0;
}
