#include "app/close_guard.h"

#include "app/numbered_format.h"
#include "app/texts.h"
#include "app/upgrade_host.h"

namespace q7310 {

bool BackupAwaitingRestore(int stage) {
  return stage == kStageUpdate || stage == kStageRestore;
}

std::string CloseQuestion(std::string_view keptPath, std::string_view keptError) {
  if (keptPath.empty()) {
    return FormatNumbered(
        texts::kFmtCloseBackupNotKept,
        {texts::kBackupFile, keptError.empty() ? texts::kReasonUnknown : keptError});
  }
  return FormatNumbered(texts::kFmtCloseBackupKept, {texts::kBackupFile, keptPath});
}

}  // namespace q7310
