// What the Windows main window shows for a guidance stage, and what closing it does: the host's
// decisions, apart from the Win32 calls that carry them out, so that they are tested without a
// display.
#pragma once

#include <string>

#include "app/upgrade_host.h"

namespace q7310::win32 {

struct MainWindowView {
  bool backupEnabled = false;
  bool updateEnabled = false;
  bool restoreEnabled = false;
  bool settingEnabled = true;       // Option > Setting
  bool restoreFromEnabled = false;  // Option > Restore from saved backup... (port open)
  bool verifyEnabled = false;       // Option > Verify settings... (port open)
  std::string instructions;         // for the multi-line box: lines joined with "\r\n"
  std::string cautionTitle;
  std::string cautionText;
};

MainWindowView ViewOf(const Guidance& guidance);

enum class CloseStep {
  kRefuse,    // an operation runs: closing does nothing
  kAskFirst,  // a backup waits for its restore: ask (CloseQuestion), close only on Yes
  kClose,
};

// Every way of closing (close box, File > Exit, Enter and Escape outside the buttons and the
// instruction box) asks this first.
CloseStep DecideClose(bool idle, int stage);

}  // namespace q7310::win32
