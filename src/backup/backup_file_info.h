// Reading a BACKUP.BIN: its slot records, and whether it is a well-formed sequence of them. The
// one walk over the records behind both `q7310 inspect` and the check that CSettingsBackup's
// LoadBackup makes before a restore sends anything. Reads, never changes a file.
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
  // kCannotOpen: why, where it is known ("is a FIFO or pipe, not a regular file").
  std::string whyNotOpened;
};

// Walks the slot records in bytes and lists them.
BackupFileInfo InspectBackupBytes(std::span<const uint8_t> bytes);
// The same walk without the listing (records stays empty): only whether the bytes are a
// well-formed sequence of slot records, and if not, why.
BackupFileInfo CheckBackupBytes(std::span<const uint8_t> bytes);

// Reads the file at path (up to one byte more than the store's buffer) and walks its records.
BackupFileInfo InspectBackupFile(const std::string& path);

// One line describing a problem, e.g. "record at offset 0x120 runs past the end of the file".
std::string DescribeProblem(const BackupFileInfo& info);

// How the records cover the nine slots 0 to 8 that a complete backup holds once each.
struct SlotCoverage {
  std::vector<uint16_t> missing;     // slots 0 to 8 without a record
  std::vector<uint16_t> repeated;    // slots 0 to 8 with more than one record
  std::vector<uint16_t> unexpected;  // slot numbers above 8, once each
  bool Complete() const { return missing.empty() && repeated.empty() && unexpected.empty(); }
};
SlotCoverage CoverSlots(const std::vector<SlotRecordInfo>& records);
// E.g. "is incomplete: slots 4, 7 missing; slot 2 repeated".
std::string DescribeCoverage(const SlotCoverage& coverage);

}  // namespace q7310
