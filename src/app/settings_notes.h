// What both front ends say about where the amplifier's settings are when a run does not end as
// planned: a BACKUP.BIN kept at exit because no dated copy holds it, where the backup of a run
// whose update or restore did not succeed can be restored from, the newest saved backup when a
// restore finds no BACKUP.BIN, and a backup file that lacks or repeats slots. Pure functions; the
// controller decides when each is said.
#pragma once

#include <string>
#include <string_view>

#include "backup/backup_file_info.h"

namespace q7310 {

// A BACKUP.BIN that the end of a run kept although the run wrote it: no dated copy holds it.
struct KeptBackup {
  std::string path;  // empty: nothing was kept for this reason
  std::string why;   // "no dated copy of it could be kept (…)", "no dated copy in … holds it"
  bool Kept() const { return !path.empty(); }
};
// "<path> was kept: <why>. It is the only copy …".
std::string KeptBackupText(const KeptBackup& kept);

// Where the settings that a run's backup read can be restored from.
struct SettingsNote {
  std::string path;        // the dated copy, or BACKUP.BIN when none could be kept
  bool datedCopy = false;  // false: BACKUP.BIN, which the run keeps at exit
  std::string how;         // how this front end restores it (a command, a menu item); may be empty
  std::string text;        // what to say: the place, then how to restore from it, on two lines
};
SettingsNote NoteWhereSettingsAre(std::string path, bool datedCopy, std::string how);

// The newest saved backup and how to restore it, on two lines (the second only with `how`).
std::string NewestCopyText(std::string_view path, std::string_view how);

// A whole sequence of slot records at `path` that does not hold the slots 0 to 8 once each:
// "<path> is incomplete: slot 4 missing. A backup made by BACKUP holds …".
std::string IncompleteBackupText(std::string_view path, const SlotCoverage& coverage);

}  // namespace q7310
