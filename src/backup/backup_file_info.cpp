#include "backup/backup_file_info.h"

#include <sys/stat.h>

#include <cstdio>
#include <filesystem>

#include "backup/field_maps.h"
#include "backup/settings_backup.h"
#include "backup/slot_record.h"

namespace q7310 {
namespace {

constexpr uint8_t kLastTypeWithHeaderRange = 4;  // types 0 to 4 have a header block ...
constexpr uint8_t kBuiltType = 7;                // ... and so does the built type 7
constexpr char kPrintableFirst = 0x20;
constexpr char kPrintableLast = 0x7E;

bool TypeHasHeader(uint8_t type) {
  return type <= kLastTypeWithHeaderRange || type == kBuiltType;
}

std::string Printable(const uint8_t* text, size_t n) {
  std::string out;
  for (size_t i = 0; i < n; ++i) {
    const char c = static_cast<char>(text[i]);
    out.push_back(c >= kPrintableFirst && c <= kPrintableLast ? c : '.');
  }
  return out;
}

std::string Hex(uint64_t value) {
  char buffer[24];
  std::snprintf(buffer, sizeof buffer, "0x%llX", static_cast<unsigned long long>(value));
  return buffer;
}

}  // namespace

BackupFileInfo InspectBackupBytes(std::span<const uint8_t> bytes) {
  BackupFileInfo info;
  info.fileSize = bytes.size();
  if (bytes.empty()) {
    info.problem = BackupFileProblem::kEmpty;
    return info;
  }
  if (bytes.size() > CSettingsBackup::kBufferSize) {
    info.problem = BackupFileProblem::kTooLarge;
    return info;
  }
  // The section-type table of the converted slot 0 (the first record), if it has one.
  const uint8_t* types = nullptr;
  size_t r = 0;
  while (r < bytes.size()) {
    if (bytes.size() - r < slot_record::kHeaderSize) {
      info.problem = BackupFileProblem::kRecordPastEnd;
      info.problemOffset = static_cast<uint32_t>(r);
      return info;
    }
    SlotRecordInfo record;
    record.offset = static_cast<uint32_t>(r);
    record.slot = slot_record::ReadBe16(&bytes[r + slot_record::kSlotOffset]);
    record.length = slot_record::ReadBe16(&bytes[r + slot_record::kLengthOffset]);
    if (record.length > bytes.size() - r - slot_record::kHeaderSize) {
      info.problem = BackupFileProblem::kRecordPastEnd;
      info.problemOffset = record.offset;
      return info;
    }
    const uint8_t* section = &bytes[r + slot_record::kHeaderSize];
    if (r == 0 && record.length >= backup::kSectionTypeTableOffset + slot_record::kSlotCount) {
      types = section + backup::kSectionTypeTableOffset;
    }
    if (types != nullptr && record.slot < slot_record::kSlotCount &&
        TypeHasHeader(types[record.slot]) && record.length >= backup::kHeaderBlockSize) {
      record.hasHeader = true;
      record.headerText = Printable(section, backup::kHeaderTextSize);
      record.format = section[backup::kHeaderFormatOffset];
    }
    info.records.push_back(record);
    r += slot_record::kHeaderSize + record.length;
  }
  return info;
}

BackupFileInfo InspectBackupFile(const std::string& path) {
  BackupFileInfo info;
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) {
    info.problem = BackupFileProblem::kCannotOpen;
    return info;
  }
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    info.problem = BackupFileProblem::kCannotOpen;
    return info;
  }
  // One byte more than the buffer tells a file that is too large.
  std::vector<uint8_t> bytes(CSettingsBackup::kBufferSize + 1);
  const size_t got = std::fread(bytes.data(), 1, bytes.size(), file);
  const bool failed = std::ferror(file) != 0;
  struct stat st {};
  const bool sized = ::fstat(::fileno(file), &st) == 0 && S_ISREG(st.st_mode);
  std::fclose(file);
  if (failed) {
    info.problem = BackupFileProblem::kCannotOpen;
    return info;
  }
  bytes.resize(got);
  info = InspectBackupBytes(bytes);
  // Only the store's size and one byte were read: the size is the file's, not the bytes read.
  if (info.problem == BackupFileProblem::kTooLarge && sized) {
    info.fileSize = static_cast<uint64_t>(st.st_size);
  }
  return info;
}

std::string DescribeProblem(const BackupFileInfo& info) {
  switch (info.problem) {
    case BackupFileProblem::kNone:
      return "well-formed";
    case BackupFileProblem::kCannotOpen:
      return "cannot be opened or read";
    case BackupFileProblem::kEmpty:
      return "is empty: no slot records";
    case BackupFileProblem::kTooLarge:
      return "is larger than the " + std::to_string(CSettingsBackup::kBufferSize) +
             " bytes a backup can hold (" +
             (info.fileSize > CSettingsBackup::kBufferSize
                  ? std::to_string(info.fileSize) + " bytes"
                  : std::string("more")) +
             "); its records were not read";
    case BackupFileProblem::kRecordPastEnd:
      return "is not a sequence of well-formed slot records: the record at offset " +
             Hex(info.problemOffset) + " runs past the end of the file (" +
             std::to_string(info.fileSize) + " bytes)";
  }
  return "";
}

}  // namespace q7310
