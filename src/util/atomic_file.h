// Writing a whole file so that a failed or interrupted write never leaves a damaged file in
// place of a good one: the bytes go to a temporary file in the same folder (named after the
// target with ".tmp-" and six random characters), which is flushed to the disk and then renamed
// over the target, or linked into place where the target must not be replaced.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace q7310 {

// The system calls that decide whether a write is durable, replaceable for tests that make them
// fail. Empty members mean the real calls.
struct FileSyncCalls {
  std::function<int(int fd)> fsync;
  std::function<int(const char* from, const char* to)> rename;
};

// The infix of the temporary files: "BACKUP.BIN.tmp-a1B2c3" belongs to "BACKUP.BIN". A program
// killed between creating and renaming one leaves it behind; see IsTemporaryFileName.
inline constexpr std::string_view kTemporaryInfix = ".tmp-";

// Whether `name` (a bare file name) is a temporary file of this writer.
bool IsTemporaryFileName(std::string_view name);

// Writes `data` as the whole content of `path`. On success returns true and the file holds
// exactly `data`. On failure returns false, sets `error` (if given) to the system's reason,
// removes the temporary file and leaves whatever stood at `path` before untouched.
bool WriteFileAtomically(const std::string& path, std::span<const uint8_t> data,
                         std::string* error = nullptr, const FileSyncCalls& calls = {});

// Writes `data` completely and flushed to a new temporary file beside `path` (permissions 0644)
// and returns its name, or an empty string with the reason in `error` (nothing is left behind).
std::string WriteTemporaryFile(const std::string& path, std::span<const uint8_t> data,
                               std::string* error, const FileSyncCalls& calls = {});

// What MoveIntoPlaceWithoutReplacing did.
enum class MoveResult {
  kMoved,      // `path` names the file now; the temporary name is gone
  kNameTaken,  // a file named `path` exists already
  kFailed,     // the system refused (see the reason)
};

// Gives the flushed temporary file `tmp` the name `path` unless a file of that name exists.
// Unless kMoved, `tmp` is left as it was; on kFailed `reason` (when given) holds the system's
// reason.
MoveResult MoveIntoPlaceWithoutReplacing(const std::string& tmp, const std::string& path,
                                         std::string* reason = nullptr);

// Gives the flushed temporary file `tmp` the name `path`, replacing a file of that name, and
// makes the move durable. False with the system's reason in `reason` (when given); `tmp` is then
// left as it was.
bool MoveIntoPlace(const std::string& tmp, const std::string& path, std::string* reason = nullptr);

// Removes the file `path` (a temporary file given up); harmless when it is gone.
void RemoveFile(const std::string& path);

// Flushes the folder that holds `path`, so that a rename or link in it is durable.
void SyncFolderOf(const std::string& path);

}  // namespace q7310
