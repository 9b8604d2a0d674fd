// The long-lived parts of one run of the Windows desktop program, and their wiring: the one
// place where the front end builds them from its options.
//
// Construction order: the folder lock, the protocol trace, the serial link, the settings backup
// store, the firmware image; destruction in reverse, so that the trace outlives the link that
// reports to it and the folder stays locked until the window has deleted its files.
#pragma once

#include <string>

#include "app/protocol_trace.h"
#include "backup/settings_backup.h"
#include "desktop_win32/command_line.h"
#include "firmware/firmware_image.h"
#include "serial/serial_port.h"
#include "util/folder_lock.h"

namespace q7310::win32 {

struct DesktopParts {
  FolderLock folderLock;
  ProtocolTrace trace;
  CSerialPort serial;
  CSettingsBackup backup;
  CFirmwareImage image;
  std::string folder;  // the working folder, once prepared
};

// Chooses and checks the working folder, locks it, opens the trace (when asked) and names the
// device (when given). Empty on success; otherwise why the program cannot start, for the
// operator, with nothing touched.
std::string PrepareParts(const DesktopOptions& options, DesktopParts& parts);

}  // namespace q7310::win32
