// Opening a file that the program reads whole: the firmware file, BACKUP.BIN, a --from file, the
// file that `q7310 inspect` or `q7310 image` checks, a firmware file chosen in the desktop
// program. Only a regular file of a bounded size is read. A FIFO, a device or a folder named in
// its place is refused at once, without opening it (a FIFO without a writer would hold the open
// for ever, /dev/zero would feed the read without end, opening a serial port may move its modem
// lines), and the open itself never waits (O_NONBLOCK), so that a file replaced by a FIFO in the
// meantime is refused too. One file per OS: input_file_posix.cpp, input_file_win32.cpp.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "util/file_identity.h"

namespace q7310 {

enum class InputProblem {
  kNone,
  kMissing,     // no such file
  kNotRegular,  // a folder, a FIFO, a device ...
  kTooLarge,    // larger than the caller reads
  kCannotOpen,  // the system refused (see the reason)
};

struct InputFile {
  std::FILE* file = nullptr;  // open for binary reading and owned by the caller; null on a problem
  InputProblem problem = InputProblem::kNone;
  // Why the file is refused, without the path: "no such file", "is a FIFO, not a regular file",
  // "<tooLargeText> (N bytes, at most M)", or the system's reason ("Permission denied").
  std::string reason;
  uint64_t size = 0;  // the size of the regular file opened (or found too large)
};

// What a file larger than the caller reads is called unless the caller says better.
inline constexpr std::string_view kLargerThanRead = "larger than any file of its kind";

// Opens `path` for reading if it is a regular file of at most `maxSize` bytes (0: no limit).
InputFile OpenInputFile(const std::string& path, uint64_t maxSize,
                        std::string_view tooLargeText = kLargerThanRead);

// The whole content of `path` as OpenInputFile opens it, or false with "<path>: <reason>" in
// `error` (given). A file that grows past `maxSize` while it is read is refused too.
bool ReadInputFile(const std::string& path, uint64_t maxSize, std::vector<uint8_t>& bytes,
                   std::string* error, std::string_view tooLargeText = kLargerThanRead);

// Why `path` cannot be read as OpenInputFile would read it, or empty when it can (the file is
// opened and closed again to find out).
std::string InputFileProblem(const std::string& path, uint64_t maxSize,
                             std::string_view tooLargeText = kLargerThanRead);

// The OS's part of OpenInputFile: opens `path` for binary reading without waiting, and keeps it
// open only if what was opened is a regular file. `opened` gets its facts (a FIFO or device put in
// place after a look is refused here); null with the system's reason on failure.
std::FILE* OpenRegularFile(const std::string& path, FileFacts& opened, std::string& reason);

// The words for a file of `kind` where a regular file is wanted: "no such file", "is a folder, not
// a file", "is a FIFO, not a regular file", "is a device, not a regular file" ...
std::string_view KindRefusalText(FileKind kind);

}  // namespace q7310
