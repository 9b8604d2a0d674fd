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
// and for root alike.
std::string FolderProblem(const std::string& folder, bool forWriting);

// Why the file at `path` cannot be read whole as the program reads its inputs ("<path>: no such
// file", "...: is a folder, not a file", "...: is a FIFO or pipe, not a regular file", "...:
// Permission denied", "...: larger than the backup store (N bytes, at most M)"), or empty when
// it can. `maxSize` 0 means no limit; a larger file is "larger than the backup store".
std::string ReadProblem(const std::string& path, uint64_t maxSize = 0);

}  // namespace q7310
