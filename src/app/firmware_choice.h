// Choosing a firmware file kept elsewhere: the update reads the fixed name Q7310_v201.mot in
// the working folder, so a chosen file is copied there under that name.
#pragma once

#include <string>

namespace q7310 {

enum class FirmwareInFolder {
  Absent,     // the working folder has no Q7310_v201.mot
  Same,       // it has one with the chosen file's bytes
  Different,  // it has a different one: ask before replacing it
  Unreadable  // the chosen file cannot be read (`error` says why)
};

// How the chosen file `source` stands to the working folder's firmware file.
FirmwareInFolder CompareFirmwareFile(const std::string& source, const std::string& workingFolder,
                                     std::string* error = nullptr);

// Copies `source` to Q7310_v201.mot in `workingFolder`, written safely (a failed write leaves the
// old file as it was). Returns the path written, or an empty string with the reason in `error`.
std::string CopyFirmwareFile(const std::string& source, const std::string& workingFolder,
                             std::string* error = nullptr);

}  // namespace q7310
