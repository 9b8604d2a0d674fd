// q7310-upgrade: the desktop program that guides a technician through BACKUP, UPDATE and RESTORE.
#include <cstdio>

#include "desktop/upgrade_app.h"

int main(int argc, char** argv) {
  // The help text and the version need no display; the widget application would. Usage errors
  // wait for it: it takes Qt's own options (such as -platform) out of the command line first.
  {
    q7310::QtCommandLine commandLine;
    const q7310::CommandLineEnd end = commandLine.Parse(q7310::ArgumentsOf(argc, argv));
    if (end.exitNow && end.exitStatus == 0) {
      std::printf("%s\n", end.text.c_str());
      return 0;
    }
  }
  q7310::CUpgradeApp app(argc, argv);
  return app.Run();
}
