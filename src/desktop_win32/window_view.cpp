#include "desktop_win32/window_view.h"

#include "app/close_guard.h"

namespace q7310::win32 {

MainWindowView ViewOf(const Guidance& guidance) {
  MainWindowView view;
  view.backupEnabled = guidance.backupEnabled;
  view.updateEnabled = guidance.updateEnabled;
  view.restoreEnabled = guidance.restoreEnabled;
  view.settingEnabled = guidance.settingEnabled;
  view.restoreFromEnabled = guidance.stage != 0;
  view.verifyEnabled = guidance.stage != 0;
  // A multi-line edit control breaks lines at "\r\n", the separator the guidance uses already.
  view.instructions = guidance.instructions;
  view.cautionTitle = guidance.cautionTitle;
  view.cautionText = guidance.cautionText;
  return view;
}

CloseStep DecideClose(bool idle, int stage) {
  if (!idle) return CloseStep::kRefuse;
  return BackupAwaitingRestore(stage) ? CloseStep::kAskFirst : CloseStep::kClose;
}

}  // namespace q7310::win32
