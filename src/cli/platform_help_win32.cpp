#include "cli/platform_help.h"

namespace q7310::cli::help {

const char* const kPortOption = "port number; port N is COMN (default 1)";
const char* const kFilesFooter =
    "Files: Q7310_v201.mot, BACKUP.BIN and UPDATE.BIN live in the working folder: --dir, else the "
    "program's folder if it is writable, else %LOCALAPPDATA%\\q7310.\n";
const char* const kSysfsOption = "not used on Windows (the ports come from the registry)";

}  // namespace q7310::cli::help
