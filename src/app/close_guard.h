// Closing the desktop program while a backup waits for its restore: BACKUP.BIN then holds the
// amplifier's settings, and closing deletes it. Both desktop programs ask first, with this text.
#pragma once

#include <string>
#include <string_view>

namespace q7310 {

// A backup has been made and not yet restored: guidance stage 2 (update) or 3 (restore).
bool BackupAwaitingRestore(int stage);

// The question before such a close: it names the dated copy that stays in the history folder
// (`keptPath`, in the system's own spelling), or, when none could be kept, says why
// (`keptError`, "reason unknown" when empty) and that the settings would be lost.
std::string CloseQuestion(std::string_view keptPath, std::string_view keptError);

}  // namespace q7310
