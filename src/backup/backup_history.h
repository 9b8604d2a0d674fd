// The history of saved backups: after every successful backup a dated copy of BACKUP.BIN is kept
// in a folder beside the program's files, so that a window closed or a crash between UPDATE and
// RESTORE does not lose the customer's settings. The program never deletes these copies.
#pragma once

#include <cstdint>
#include <ctime>
#include <span>
#include <string>
#include <string_view>

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

// Whether `name` (a bare file name) is one that SaveHistoryCopy gives: BACKUP-YYYYMMDD-HHMMSS.BIN,
// or the same with a -N suffix before ".BIN".
bool IsHistoryFileName(std::string_view name);

// A dated copy in `folder` that holds exactly `data`, or an empty string when none does (also when
// the folder cannot be read). `first`, when not empty, is looked at before the others (the copy
// that a run made of its own backup). Only regular files with a dated copy's name count.
std::string FindHistoryCopyHolding(const std::string& folder, std::span<const uint8_t> data,
                                   const std::string& first = {});

// The newest dated copy in `folder` that is a whole sequence of slot records (what a restore
// takes), by the time in its name (and then its suffix); an empty string when there is none.
std::string NewestHistoryCopy(const std::string& folder);

}  // namespace q7310
