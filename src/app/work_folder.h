// The working folder for one run: the lock that keeps a second program out of it, the clean-up
// of temporary files that a killed run left in it, and which paths are the program's own files
// there (a trace must never be written over one of them).
#pragma once

#include <string>
#include <vector>

#include "util/folder_lock.h"

namespace q7310 {

// Takes `lock` on `folder` and, once held, removes the temporary files that a killed run left
// in the folder and in its history folder (no other program can be writing them then). Returns
// the lock's result; kFailed (a folder that cannot hold the lock file) is no reason to stop: the
// program cannot write, and so cannot harm, any file there either.
FolderLock::Result ClaimWorkFolder(const std::string& folder, FolderLock& lock,
                                   std::string* error = nullptr);

// The temporary files of the safe writes in `folder` and its history folder, and the scratch
// files of the folder's write check (file_checks.h) in `folder`; a run that holds the folder lock
// removes them (RemoveLeftTemporaries returns the ones it removed).
std::vector<std::string> LeftTemporaries(const std::string& folder);
std::vector<std::string> RemoveLeftTemporaries(const std::string& folder);

// Whether `path` is one of the program's own files in `folder`: the firmware file, BACKUP.BIN,
// UPDATE.BIN, the lock file, or anything under the history folder. Files are told by identity
// (file_identity.h), not by spelling: a link, a hard link, another letter case on Windows or
// another way to the folder all count. A path that does not exist yet counts when it would be
// made as one of them (by a link, too).
bool IsProgramFile(const std::string& folder, const std::string& path);

// printf-style texts with one string argument (texts::kFmtFolderInUse and the like).
std::string FormatText(const char* format, const std::string& argument);

}  // namespace q7310
