// Why a folder or file of the program cannot be used, in words for a detail line. The checks
// run before an operation starts, so that the technician learns the reason at once instead of
// after the amplifier has been read.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace q7310 {

// Why `folder` cannot hold the program's files ("<folder>: no such folder", "...: not a folder",
// "...: cannot write there (Read-only file system)"), or empty when it can. With `forWriting`
// a scratch file is created and removed there, which answers truly for read-only file systems
// and for root alike. The scratch file has no name where the system allows (Linux: O_TMPFILE),
// so that a run killed during the check leaves nothing behind; elsewhere it is named
// kWriteCheckPrefix and six characters, and a later run removes one left (IsWriteCheckName).
std::string FolderProblem(const std::string& folder, bool forWriting);

inline constexpr std::string_view kWriteCheckPrefix = ".q7310-";
// Whether `name` (a bare file name) is a scratch file of FolderProblem.
bool IsWriteCheckName(std::string_view name);

// Why the file at `path` cannot be read whole as the program reads its inputs ("<path>: no such
// file", "...: is a folder, not a file", "...: is a FIFO or pipe, not a regular file", "...:
// Permission denied", "...: larger than the backup store (N bytes, at most M)"), or empty when
// it can. `maxSize` 0 means no limit; a larger file is "larger than the backup store".
std::string ReadProblem(const std::string& path, uint64_t maxSize = 0);

}  // namespace q7310
