#include "app/restore_from_summary.h"

#include <chrono>
#include <ctime>
#include <filesystem>
#include <system_error>

#include "app/numbered_format.h"
#include "app/settings_notes.h"
#include "app/texts.h"
#include "backup/backup_file_info.h"
#include "util/local_time.h"
#include "util/utf8_path.h"

namespace q7310 {
namespace {

// The file's modification time as local "YYYY-MM-DD HH:MM:SS", or empty.
std::string ModifiedText(const std::string& path) {
  std::error_code error;
  const auto written = std::filesystem::last_write_time(Utf8Path(path), error);
  if (error) return {};
  const auto system = std::chrono::file_clock::to_sys(written);
  const std::tm local = LocalTime(std::chrono::system_clock::to_time_t(system));
  char text[32];
  if (std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local) == 0) return {};
  return text;
}

}  // namespace

std::string RestoreFromSummary(const std::string& path) {
  const BackupFileInfo info = InspectBackupFile(path);
  std::string slots;
  for (const SlotRecordInfo& record : info.records) {
    if (!slots.empty()) slots += ", ";
    slots += std::to_string(record.slot);
  }
  // Appended piece by piece: GCC 12 warns falsely (-Wrestrict) about "\n" + std::string.
  std::string lines(texts::kRestoreFromSaved);
  lines.append(" ").append(ModifiedText(path));
  lines.append("\n").append(path);
  lines.append("\n").append(
      FormatNumbered(texts::kFmtRestoreFromSummary,
                     {std::to_string(info.records.size()), slots, std::to_string(info.fileSize)}));
  if (info.problem != BackupFileProblem::kNone) {
    lines.append("\n").append(path).append(" ").append(DescribeProblem(info));
  } else if (const SlotCoverage coverage = CoverSlots(info.records); !coverage.Complete()) {
    lines.append("\n").append(IncompleteBackupText(path, coverage));
  }
  return lines;
}

}  // namespace q7310
