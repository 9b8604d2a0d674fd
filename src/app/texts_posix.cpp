// The texts that name Linux things.
#include "app/texts.h"

namespace q7310::texts {

const std::string_view kHelpDir =
    "folder holding Q7310_v201.mot, BACKUP.BIN and UPDATE.BIN (default: the program's folder if "
    "it is writable and not installed, else $XDG_DATA_HOME/q7310, that is ~/.local/share/q7310; "
    "the program names the folder it uses)";

const std::string_view kUsagePortForms =
    "a port is a number from 1 to 9999 (port N is /dev/ttyS<N-1>), a name such as COM3 (port 3), "
    "or a device such as /dev/ttyUSB0 or ttyUSB0";
const std::string_view kDeviceValueName = "<PATH>";

// A USB adapter has no port number here: it is chosen by its device.
const std::string_view kStartSeveralAdapters =
    "Several USB serial adapters are present, none chosen: start q7310-upgrade with --device and "
    "the one to use (Option > Setting lists them).";

}  // namespace q7310::texts
