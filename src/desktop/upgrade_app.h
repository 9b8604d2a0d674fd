// CUpgradeApp: the desktop program's application object.
//
// Owns the Qt application and the three long-lived core objects, constructed in this order and
// destroyed in the reverse order: the serial link, the settings backup store and the firmware
// image. Run parses the command line, shows the main window, which gets the three by reference,
// and runs the event loop until the window closes.
//
// Options: --device PATH (a serial device, such as a pseudo-terminal, in place of the port
// number's device), --dir FOLDER (the folder of the firmware file and the staging files instead
// of the working folder that app_paths.h chooses), --trace FILE (a timestamped protocol trace,
// appended to FILE), --version.
//
// The working folder is locked for the whole run, before the port is opened: a second program
// on the same folder is refused with a message box and ends without touching anything.
#pragma once

#include <QApplication>

#include "app/protocol_trace.h"
#include "backup/settings_backup.h"
#include "firmware/firmware_image.h"
#include "serial/serial_port.h"
#include "util/folder_lock.h"

namespace q7310 {

class CUpgradeApp {
 public:
  CUpgradeApp(int& argc, char** argv);
  // Returns the program's exit code.
  int Run();

 private:
  QApplication m_qapp;
  FolderLock m_folderLock;  // released last, after the window has deleted its files
  ProtocolTrace m_trace;    // outlives the serial link, which reports to it
  CSerialPort m_serial;
  CSettingsBackup m_backup;
  CFirmwareImage m_image;
};

}  // namespace q7310
