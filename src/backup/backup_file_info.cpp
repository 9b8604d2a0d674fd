#include "backup/backup_file_info.h"

#include <array>
#include <cstdio>
#include <filesystem>
#include <set>

#include "backup/field_maps.h"
#include "backup/settings_backup.h"
#include "backup/slot_record.h"
#include "protocol/protocol.h"
#include "util/input_file.h"
#include "util/utf8_path.h"

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

// "slot 4" or "slots 4, 7".
std::string SlotList(const std::vector<uint16_t>& slots) {
  std::string text = slots.size() == 1 ? "slot " : "slots ";
  for (size_t i = 0; i < slots.size(); ++i) {
    if (i) text += ", ";
    text += std::to_string(slots[i]);
  }
  return text;
}

// The walk: every record must lie wholly inside the bytes. Lists the records when `records` is
// given.
BackupFileInfo WalkRecords(std::span<const uint8_t> bytes, std::vector<SlotRecordInfo>* records) {
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
    r += slot_record::kHeaderSize + record.length;
    if (records == nullptr) continue;
    const uint8_t* section = &bytes[record.offset + slot_record::kHeaderSize];
    if (record.offset == 0 && record.length >= backup::kSectionTypeTableOffset + kSlotCount) {
      types = section + backup::kSectionTypeTableOffset;
    }
    if (types != nullptr && record.slot < kSlotCount && TypeHasHeader(types[record.slot]) &&
        record.length >= backup::kHeaderBlockSize) {
      record.hasHeader = true;
      record.headerText = Printable(section, backup::kHeaderTextSize);
      record.format = section[backup::kHeaderFormatOffset];
    }
    records->push_back(record);
  }
  return info;
}

}  // namespace

BackupFileInfo InspectBackupBytes(std::span<const uint8_t> bytes) {
  std::vector<SlotRecordInfo> records;
  BackupFileInfo info = WalkRecords(bytes, &records);
  info.records = std::move(records);
  return info;
}

BackupFileInfo CheckBackupBytes(std::span<const uint8_t> bytes) {
  return WalkRecords(bytes, nullptr);
}

BackupFileInfo InspectBackupFile(const std::string& path) {
  BackupFileInfo info;
  // Only a regular file no larger than the store is read: a FIFO, a device or a folder is
  // refused at once.
  const InputFile input = OpenInputFile(path, CSettingsBackup::kBufferSize);
  if (input.problem == InputProblem::kTooLarge) {
    info.problem = BackupFileProblem::kTooLarge;
    info.fileSize = input.size;
    return info;
  }
  std::FILE* file = input.file;
  if (file == nullptr) {
    info.problem = BackupFileProblem::kCannotOpen;
    info.whyNotOpened = input.problem == InputProblem::kCannotOpen
                            ? "cannot be opened (" + input.reason + ")"
                            : input.reason;
    return info;
  }
  // One byte more than the buffer tells a file that grew too large since it was opened.
  std::vector<uint8_t> bytes(CSettingsBackup::kBufferSize + 1);
  const size_t got = std::fread(bytes.data(), 1, bytes.size(), file);
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) {
    info.problem = BackupFileProblem::kCannotOpen;
    return info;
  }
  bytes.resize(got);
  info = InspectBackupBytes(bytes);
  return info;
}

std::string DescribeProblem(const BackupFileInfo& info) {
  switch (info.problem) {
    case BackupFileProblem::kNone:
      return "well-formed";
    case BackupFileProblem::kCannotOpen:
      return info.whyNotOpened.empty() ? "cannot be opened or read" : info.whyNotOpened;
    case BackupFileProblem::kEmpty:
      return "is empty: no slot records";
    case BackupFileProblem::kTooLarge:
      return "is larger than the " + std::to_string(CSettingsBackup::kBufferSize) +
             " bytes a backup can hold" +
             (info.fileSize > CSettingsBackup::kBufferSize
                  ? " (" + std::to_string(info.fileSize) + " bytes)"
                  : std::string());
    case BackupFileProblem::kRecordPastEnd:
      return "is not a sequence of well-formed slot records: the record at offset " +
             Hex(info.problemOffset) + " runs past the end of the file (" +
             std::to_string(info.fileSize) + " bytes)";
  }
  return "";
}

SlotCoverage CoverSlots(const std::vector<SlotRecordInfo>& records) {
  std::array<unsigned, kSlotCount> counts{};
  std::set<uint16_t> unexpected;
  for (const SlotRecordInfo& record : records) {
    if (record.slot < kSlotCount) {
      ++counts[record.slot];
    } else {
      unexpected.insert(record.slot);
    }
  }
  SlotCoverage coverage;
  for (uint16_t slot = 0; slot < kSlotCount; ++slot) {
    if (counts[slot] == 0) coverage.missing.push_back(slot);
    if (counts[slot] > 1) coverage.repeated.push_back(slot);
  }
  coverage.unexpected.assign(unexpected.begin(), unexpected.end());
  return coverage;
}

std::string DescribeCoverage(const SlotCoverage& coverage) {
  if (coverage.Complete()) return "holds the slots 0 to 8 once each";
  std::string text = "is incomplete:";
  const char* separator = " ";
  const auto add = [&](const std::vector<uint16_t>& slots, const char* what) {
    if (slots.empty()) return;
    text += separator + SlotList(slots) + " " + what;
    separator = "; ";
  };
  add(coverage.missing, "missing");
  add(coverage.repeated, "repeated");
  add(coverage.unexpected, "not among the slots 0 to 8");
  return text;
}

}  // namespace q7310
