#include "backup/settings_backup.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <span>

#include "backup/backup_converter.h"
#include "backup/backup_file_info.h"
#include "backup/slot_record.h"
#include "protocol/protocol.h"
#include "util/atomic_file.h"
#include "util/input_file.h"

namespace q7310 {
namespace {

using slot_record::kHeaderSize;

constexpr uint32_t kReadChunkSize = 1024;

bool IsEndOfSlot(uint16_t control) {
  return (control >> 8) != 0;
}

}  // namespace

CSettingsBackup::CSettingsBackup()
    : m_records(new uint8_t[kBufferSize]), m_converted(new uint8_t[kBufferSize]) {
  Clear();
}

CSettingsBackup::~CSettingsBackup() = default;

void CSettingsBackup::Clear() {
  std::memset(m_records.get(), 0, kBufferSize);
  std::memset(m_converted.get(), 0, kBufferSize);
  m_recordsEnd = 0;
  m_cursor = 0;
  m_convertedLength = 0;
  m_slotBlock = 0;
  m_slotNumber = 0;
  m_slotBytes = 0;
  m_slotOpen = false;
}

bool CSettingsBackup::StoreBlock(uint16_t control, uint16_t block, uint16_t slot,
                                 const uint8_t* data, uint16_t length) {
  // Work out where the block goes before touching anything, so that a refused block leaves the
  // store as it was.
  uint32_t cursor = m_cursor;
  uint32_t slotBytes = m_slotBytes;
  uint32_t recordStart = m_recordsEnd;
  if (block == 0) {
    // A new record. Block 0 again before the end-of-slot flag (the amplifier answering a
    // resent request) restarts the open record rather than appending a second start.
    if (m_slotOpen) recordStart -= slot_record::kFieldSize;
    cursor = recordStart + kHeaderSize;
    slotBytes = 0;
  } else if (!m_slotOpen) {
    return false;  // a continuation block with no record to continue
  }
  if (cursor > kBufferSize || length > kBufferSize - cursor) return false;
  if (slotBytes + length > kMaxSlotBytes) return false;

  if (block == 0) {
    slot_record::WriteBe16(m_records.get() + recordStart + slot_record::kSlotOffset, slot);
    m_recordsEnd = recordStart + slot_record::kFieldSize;  // the length is written at the end
    m_slotOpen = true;
  }
  if (length > 0) std::memcpy(m_records.get() + cursor, data, length);
  m_cursor = cursor + length;
  m_slotBytes = slotBytes + length;

  if (IsEndOfSlot(control)) {
    slot_record::WriteBe16(m_records.get() + m_recordsEnd, static_cast<uint16_t>(m_slotBytes));
    m_recordsEnd += slot_record::kFieldSize + m_slotBytes;
    m_slotOpen = false;
  }
  return true;
}

bool CSettingsBackup::LoadBackup(std::string path) {
  m_loadError.clear();
  uint32_t length = 0;
  bool tooLarge = false;
  BackupFileInfo check;
  if (ReadWholeFile(path, m_records.get(), &length, &tooLarge)) {
    // The whole file is checked here, so that a damaged one is refused before the first block
    // goes out rather than when the restore reaches the damage.
    check = CheckBackupBytes({m_records.get(), length});
  } else {
    check.problem = tooLarge ? BackupFileProblem::kTooLarge : BackupFileProblem::kCannotOpen;
  }
  if (check.problem == BackupFileProblem::kNone) {
    m_recordsEnd = length;
    return true;
  }
  m_loadError = "the file " + DescribeProblem(check);
  // A refused file may have left part of itself in the buffer.
  std::memset(m_records.get(), 0, kBufferSize);
  return false;
}

bool CSettingsBackup::HasNextBlock() const {
  return m_cursor < m_recordsEnd;
}

bool CSettingsBackup::GetNextBlock(uint16_t& control, uint16_t& block, uint16_t& slot,
                                   uint8_t* data, uint16_t& length) {
  if (m_slotBlock == 0) {
    // A new record: it must lie wholly inside the loaded bytes, so that no record goes out in
    // part or with bytes that were never loaded.
    if (m_cursor > m_recordsEnd || m_recordsEnd - m_cursor < kHeaderSize) return false;
    const uint8_t* record = m_records.get() + m_cursor;
    const uint16_t recordLength = slot_record::ReadBe16(record + slot_record::kLengthOffset);
    if (recordLength > m_recordsEnd - m_cursor - kHeaderSize) return false;
    m_slotNumber = static_cast<uint8_t>(slot_record::ReadBe16(record + slot_record::kSlotOffset));
    m_slotBytes = recordLength;
    m_cursor += kHeaderSize;
  }

  slot = m_slotNumber;
  block = static_cast<uint16_t>(m_slotBlock);
  ++m_slotBlock;
  uint32_t n = 0;
  if (m_slotBytes > kRestoreBlockSize) {
    control = 0;
    n = kRestoreBlockSize;
  } else {
    control = kEndOfSlotControl;
    n = m_slotBytes;
    m_slotBlock = 0;
  }
  m_slotBytes -= n;
  if (n > 0) std::memcpy(data, m_records.get() + m_cursor, n);
  m_cursor += n;
  length = static_cast<uint16_t>(n);
  return true;
}

bool CSettingsBackup::ReadWholeFile(const std::string& path, uint8_t* buffer, uint32_t* length,
                                    bool* tooLarge) {
  // Only a regular file no larger than the store: a FIFO, a device or a folder is refused at
  // once, and the reads below still stop at the store's size if the file grows meanwhile.
  const InputFile input = OpenInputFile(path, kBufferSize);
  if (input.problem == InputProblem::kTooLarge && tooLarge) *tooLarge = true;
  std::FILE* file = input.file;
  if (file == nullptr) return false;
  uint8_t chunk[kReadChunkSize];
  uint32_t total = 0;
  bool ok = true;
  for (;;) {
    const size_t got = std::fread(chunk, 1, sizeof chunk, file);
    if (got == 0) {
      ok = std::ferror(file) == 0;
      break;
    }
    if (got > kBufferSize - total) {  // the file is larger than the buffer
      ok = false;
      if (tooLarge) *tooLarge = true;
      break;
    }
    std::memcpy(buffer + total, chunk, got);
    total += static_cast<uint32_t>(got);
  }
  std::fclose(file);
  if (ok) *length = total;
  return ok;
}

bool CSettingsBackup::WriteWholeFile(const std::string& path, const uint8_t* buffer,
                                     uint32_t length, std::string* error) {
  return WriteFileAtomically(path, std::span<const uint8_t>(buffer, length), error);
}

bool CSettingsBackup::ConvertAndSave(std::string path, std::string* error) {
  CBackupConverter converter;
  // The converter reads nine records from the start of the (zero-cleared) record buffer, as
  // far as the buffer goes; it never reads past it.
  m_convertedLength = converter.Convert(m_records.get(), kBufferSize, m_converted.get());
  if (m_convertedLength == 0) return false;
  return WriteWholeFile(path, m_converted.get(), m_convertedLength, error);
}

}  // namespace q7310
