// CSettingsBackup: the store between the amplifier's settings slots and BACKUP.BIN.
//
// A slot record is a 2-byte slot number and a 2-byte data length, both big-endian, followed by
// that many data bytes; records stand back to back with no header. During a backup the store
// collects the blocks of read-slot replies into raw slot records (StoreBlock); ConvertAndSave
// converts the nine raw records into the stored layout and writes them to BACKUP.BIN. During a
// restore it loads and checks BACKUP.BIN (LoadBackup) and hands its records out again as blocks
// of at most kRestoreBlockSize (64) data bytes (GetNextBlock).
//
// Used on one thread only (the controller's). Both buffers are allocated once, at construction.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace q7310 {

class CSettingsBackup {
 public:
  static constexpr uint32_t kBufferSize = 0x50000;   // 327,680 bytes each
  static constexpr uint32_t kMaxSlotBytes = 0xFFFF;  // the record's 16-bit length field

  CSettingsBackup();
  virtual ~CSettingsBackup();
  CSettingsBackup(const CSettingsBackup&) = delete;
  CSettingsBackup& operator=(const CSettingsBackup&) = delete;

  // Zero-fills both buffers and resets every counter.
  void Clear();

  // Appends one block of a read-slot reply. Block number 0 starts a slot record (and restarts
  // one left open, as when the amplifier answers a resent request); a non-zero high byte of the
  // control word (the end-of-slot flag) closes it. Returns false, storing nothing, when the
  // block would not fit in the buffer or the slot would grow past 65,535 bytes, or when a block
  // other than 0 arrives with no slot open; the backup must then end as failed.
  bool StoreBlock(uint16_t control, uint16_t block, uint16_t slot, const uint8_t* data,
                  uint16_t length);

  // Reads the file at path into the record buffer and checks it as a whole before anything is
  // handed out: it must be a sequence of one or more whole slot records (none running past the
  // end of the file) of at most kBufferSize bytes. Any number of records, in any order, is
  // taken. False if the file cannot be opened or read or fails the check; LoadError() then says
  // why, the record buffer is zero-filled and the counters are left alone (after Clear: the store
  // as Clear left it).
  bool LoadBackup(std::string path);
  // Why the last LoadBackup failed, e.g. "the file is empty: no slot records"; empty after a
  // successful one.
  const std::string& LoadError() const { return m_loadError; }

  // True while restore data is left.
  bool HasNextBlock() const;

  // Hands out the next restore block: control word (0x0100 on a record's last block, else 0),
  // block number within the record, slot number, up to 64 data bytes into data, their count in
  // length. A record is checked when its first block is due: returns false, handing out nothing,
  // when its header or data would run past the loaded bytes (an empty file included); the
  // restore must then end as failed.
  bool GetNextBlock(uint16_t& control, uint16_t& block, uint16_t& slot, uint8_t* data,
                    uint16_t& length);

  // Reads a whole file, in chunks of 1024 bytes, into buffer (kBufferSize bytes) and stores its
  // size in length. False if it is not a regular file (a FIFO, a device or a folder is refused
  // without waiting), cannot be opened or read, or holds more than kBufferSize bytes
  // (then *tooLarge, when given, is set); length is then unchanged, and the buffer may hold a
  // part of the file but nothing past its end is ever written.
  static bool ReadWholeFile(const std::string& path, uint8_t* buffer, uint32_t* length,
                            bool* tooLarge = nullptr);
  // Writes length bytes as the whole file, safely (temporary file, flush, rename). False on any
  // failure, with an earlier file left intact and the system's reason in *error when given.
  static bool WriteWholeFile(const std::string& path, const uint8_t* buffer, uint32_t length,
                             std::string* error = nullptr);

  // Converts the raw records into the stored layout and writes them to path. False when the
  // conversion fails (nothing written, *error left empty) or the file cannot be written (an
  // earlier file intact, the system's reason in *error when given).
  bool ConvertAndSave(std::string path, std::string* error = nullptr);

  // Read access for tests and tools.
  const uint8_t* Records() const { return m_records.get(); }
  uint32_t RecordsEnd() const { return m_recordsEnd; }
  // How many of the loaded bytes GetNextBlock has handed out: a restore's progress.
  uint32_t Cursor() const { return m_cursor; }
  const uint8_t* Converted() const { return m_converted.get(); }
  uint32_t ConvertedLength() const { return m_convertedLength; }

 private:
  std::unique_ptr<uint8_t[]> m_records;
  uint32_t m_recordsEnd = 0;
  uint32_t m_cursor = 0;
  std::unique_ptr<uint8_t[]> m_converted;
  uint32_t m_convertedLength = 0;
  uint32_t m_slotBlock = 0;
  uint8_t m_slotNumber = 0;
  uint32_t m_slotBytes = 0;
  bool m_slotOpen = false;
  std::string m_loadError;
};

}  // namespace q7310
