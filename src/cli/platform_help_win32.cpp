#include "cli/platform_help.h"

namespace q7310::cli::help {

const char* const kPortOption =
    "the port: a number (port N is COMN), a name such as COM3, or a device such as \\\\.\\COM12";
const char* const kPortFooter =
    "Port: --port or --device, else %Q7310_PORT%, else the one USB serial adapter present (with "
    "several, name one), else port 1.\n";
const char* const kFilesFooter =
    "Files: Q7310_v201.mot (the amplifier's released firmware file), BACKUP.BIN and UPDATE.BIN "
    "live in the working folder: --dir, else the program's folder if it is writable, else "
    "%LOCALAPPDATA%\\q7310.\n";
const char* const kSysfsOption =
    "not used on Windows (the ports come from SetupAPI and the registry)";

}  // namespace q7310::cli::help
