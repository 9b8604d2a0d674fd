// Reading a BACKUP.BIN for inspection: its slot records, and whether it is a well-formed
// sequence of them. Used by `q7310 inspect`; reads the file, never changes it.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace q7310 {

struct SlotRecordInfo {
  uint32_t offset = 0;  // of the record's slot number in the file
  uint16_t slot = 0;
  uint16_t length = 0;
  // Sections of types 0 to 4 and 7 (by the type table in the first record's section) start with
  // a header block: 16 characters of header text and a format byte.
  bool hasHeader = false;
  std::string headerText;  // non-printable characters shown as '.'
  uint8_t format = 0;
};

enum class BackupFileProblem {
  kNone,          // a well-formed sequence of slot records
  kCannotOpen,    // the file cannot be opened or read
  kEmpty,         // no bytes at all
  kTooLarge,      // more bytes than the store's buffer holds
  kRecordPastEnd  // a record's header or data runs past the end of the file
};

struct BackupFileInfo {
  std::vector<SlotRecordInfo> records;  // the complete records before any problem
  BackupFileProblem problem = BackupFileProblem::kNone;
  uint32_t problemOffset = 0;  // kRecordPastEnd: where the broken record starts
  uint64_t fileSize = 0;
};

// Walks the slot records in bytes.
BackupFileInfo InspectBackupBytes(std::span<const uint8_t> bytes);

// Reads the file at path (up to one byte more than the store's buffer) and walks its records.
BackupFileInfo InspectBackupFile(const std::string& path);

// One line describing a problem, e.g. "record at offset 0x120 runs past the end of the file".
std::string DescribeProblem(const BackupFileInfo& info);

}  // namespace q7310
