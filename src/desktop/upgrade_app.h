// CUpgradeApp: the Qt desktop program's application object.
//
// Owns the Qt application, which takes Qt's own options out of the command line. Run parses the
// rest (app/desktop_start.h, with two hidden options of this program: --quit-when-shown for the
// start-up benchmark, --screenshots FOLDER for the documentation's pictures), opens the session
// (the folder lock, the trace, the serial link, the backup store and the firmware image, in that
// order; a refusal is a message box and a line on standard error), shows the main window over it
// and runs the event loop until the window closes; the window goes before the session, so the
// folder stays locked until its files are deleted.
#pragma once

#include <QApplication>
#include <string>
#include <vector>

#include "app/desktop_start.h"

namespace q7310 {

// The desktop command line with this program's hidden options.
class QtCommandLine : public DesktopCommandLine {
 public:
  QtCommandLine();
  bool quitWhenShown = false;
  std::string screenshots;  // the folder for the pictures; empty: no screenshot tour
};

// The UTF-8 arguments after the program name.
std::vector<std::string> ArgumentsOf(int argc, char** argv);

class CUpgradeApp {
 public:
  CUpgradeApp(int& argc, char** argv);
  // Returns the program's exit code.
  int Run();

 private:
  QApplication m_qapp;
};

}  // namespace q7310
