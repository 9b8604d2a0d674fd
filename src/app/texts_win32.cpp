// The texts that name Windows things.
#include "app/texts.h"

namespace q7310::texts {

const std::string_view kHelpDir =
    "folder holding Q7310_v201.mot, BACKUP.BIN and UPDATE.BIN (default: the program's folder if "
    "it is writable, else %LOCALAPPDATA%\\q7310; the program names the folder it uses)";

const std::string_view kUsagePortForms =
    "a port is a number from 1 to 9999 (port N is COMN), a name such as COM3, or a device such as "
    "\\\\.\\COM12";
const std::string_view kDeviceValueName = "<PORT>";

const std::string_view kStartSeveralAdapters =
    "Several USB serial adapters are present, none chosen: pick one in Option > Setting.";

}  // namespace q7310::texts
