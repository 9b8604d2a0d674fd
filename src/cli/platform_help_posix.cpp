#include "cli/platform_help.h"

namespace q7310::cli::help {

const char* const kPortOption =
    "the port: a number (port N is /dev/ttyS<N-1>), COMN (port N), or a device such as "
    "/dev/ttyUSB0 (ttyUSB0 for short)";
const char* const kPortFooter =
    "Port: --port or --device, else $Q7310_PORT, else the one USB serial adapter present (with "
    "several, name one), else port 1.\n";
const char* const kFilesFooter =
    "Files: Q7310_v201.mot (the amplifier's released firmware file), BACKUP.BIN and UPDATE.BIN "
    "live in the working folder: --dir, else the program's folder if it is writable and not "
    "installed, else $XDG_DATA_HOME/q7310 (~/.local/share/q7310).\n";
const char* const kSysfsOption = "read the port list from this tree instead of /sys";

}  // namespace q7310::cli::help
