// Writing a whole file so that a failed or interrupted write never leaves a damaged file in
// place of a good one: the bytes go to a temporary file in the same folder, which is flushed to
// the disk and then renamed over the target.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace q7310 {

// Writes `data` as the whole content of `path`. On success returns true and the file holds
// exactly `data`. On failure returns false, sets `error` (if given) to the system's reason,
// removes the temporary file and leaves whatever stood at `path` before untouched.
bool WriteFileAtomically(const std::string& path, std::span<const uint8_t> data,
                         std::string* error = nullptr);

}  // namespace q7310
