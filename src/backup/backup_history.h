// The history of saved backups: after every successful backup a dated copy of BACKUP.BIN is kept
// in a folder beside the program's files, so that a window closed or a crash between UPDATE and
// RESTORE does not lose the customer's settings. The program never deletes these copies.
#pragma once

#include <cstdint>
#include <ctime>
#include <span>
#include <string>

namespace q7310 {

inline constexpr const char* kHistoryFolder = "backups";

// The file name of a copy made at `when` (local time): BACKUP-YYYYMMDD-HHMMSS.BIN.
std::string HistoryFileName(std::time_t when);

// Writes `data` safely (temporary file, flush, move into place) as a new file in `folder`,
// creating the folder when needed, named after `when`; an existing copy of the same second is
// never replaced (a -2, -3 … suffix is added), and no real name ever holds a partial copy. Returns
// the path written, or an empty string with the reason in `error`.
std::string SaveHistoryCopy(const std::string& folder, std::span<const uint8_t> data,
                            std::time_t when, std::string* error);

}  // namespace q7310
