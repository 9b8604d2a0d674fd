// q7310-upgrade: the desktop program that guides a technician through BACKUP, UPDATE and RESTORE.
#include "desktop/command_line.h"
#include "desktop/upgrade_app.h"

int main(int argc, char** argv) {
  // The help text needs no display; the widget application would.
  if (q7310::AsksForHelp(argc, argv)) return q7310::PrintHelpWithoutDisplay(argc, argv);
  q7310::CUpgradeApp app(argc, argv);
  return app.Run();
}
