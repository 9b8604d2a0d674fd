// q7310-upgrade: the desktop program that guides a technician through BACKUP, UPDATE and RESTORE.
#include "desktop/upgrade_app.h"

int main(int argc, char** argv) {
  q7310::CUpgradeApp app(argc, argv);
  return app.Run();
}
