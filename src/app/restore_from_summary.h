// What the question before Option > Restore from saved backup... shows about the chosen file, in
// both desktop programs: when it was saved, where it lies, its slot records as `q7310 inspect`
// lists them, and what is wrong with it, if anything.
#pragma once

#include <string>

namespace q7310 {

// The lines, joined with '\n': "Saved: YYYY-MM-DD HH:MM:SS" (the file's local modification time;
// nothing after "Saved:" when the system cannot say), the path, the record summary
// (texts::kFmtRestoreFromSummary) and, for a file that is not a whole sequence of slot records,
// the path with the problem; for one that is but lacks or repeats some of the slots 0 to 8, what
// it lacks or repeats (IncompleteBackupText).
std::string RestoreFromSummary(const std::string& path);

}  // namespace q7310
