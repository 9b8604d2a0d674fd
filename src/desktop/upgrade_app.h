// CUpgradeApp: the desktop program's application object.
//
// Owns the Qt application. Run parses the command line, starts the session (app/session.h: the
// folder lock, the trace, the serial link, the backup store and the firmware image, in that
// order), shows the main window over it and runs the event loop until the window closes; the
// window goes before the session, so the folder stays locked until its files are deleted.
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

namespace q7310 {

class CUpgradeApp {
 public:
  CUpgradeApp(int& argc, char** argv);
  // Returns the program's exit code.
  int Run();

 private:
  QApplication m_qapp;
};

}  // namespace q7310
