// UpgradeWindow: the Windows desktop program's one window (template IDD_UPGRADE), the Win32 view
// of the presenter (app/upgrade_presenter.h, which decides everything around the controller).
//
// It carries the BACKUP, UPDATE and RESTORE buttons, the read-only instruction box, the red
// caution texts, the status line under the template's area, the menu File > Open firmware
// file... and Exit, Option > Setting, Restore from saved backup... and Verify settings..., and the
// About item in the system menu; it owns the progress dialog. The presenter's timers run on the
// window (SetTimer -> WM_TIMER); frames come from the receive thread as posted WM_COMM_FRAME
// messages, and the progress dialog's Cancel as WM_COMM_CANCEL.
//
// Keys, as in any dialog: Enter on a focused button presses it; the instruction box takes Return
// and does nothing with it; elsewhere Enter and Escape close the window. Every way of closing
// (also the close box and File > Exit) asks the presenter first.
#pragma once

#include <windows.h>

#include "app/upgrade_presenter.h"
#include "app/upgrade_view.h"
#include "desktop_win32/caution_label.h"
#include "desktop_win32/port_memory.h"
#include "desktop_win32/progress_dialog.h"

namespace q7310::win32 {

class UpgradeWindow : public IUpgradeView {
 public:
  // The window over `session`, which outlives it.
  UpgradeWindow(HINSTANCE instance, Session& session);
  ~UpgradeWindow() override;
  UpgradeWindow(const UpgradeWindow&) = delete;
  UpgradeWindow& operator=(const UpgradeWindow&) = delete;

  // Makes and shows the window, then opens port `portNo`, or, when no port was named or
  // remembered, the one the presenter chooses (UpgradePresenter::Start): stage 1, or the port
  // error and stage 0. False when the window could not be made.
  bool Create(int showCommand, int portNo, bool portNamed);
  // The message loop, until the window is gone; the program's exit status.
  int Run();

  // IUpgradeView: the timers run on the window, frames come as posted messages.
  void SetTimer(unsigned id, unsigned periodMs) override;
  void KillTimer(unsigned id) override;
  void QueueFrame(uint32_t status, std::vector<uint8_t> frame) override;
  // The progress dialog.
  void SetProgressTitle(std::string_view title) override { m_progress.SetTitle(title); }
  void SetProgressMessage(std::string_view text) override { m_progress.SetMessage(text); }
  void SetProgressPercent(int percent) override { m_progress.SetPercent(percent); }
  void ShowProgress(bool visible) override;
  // Message boxes (a task dialog for one with an offered button) and dialogs.
  bool ShowMessage(const MessageBoxView& box) override;
  bool Ask(const Question& question) override;
  int RunSettingDialog(const PortSettingView& setting) override;
  std::string ChooseFile(const FileRequest& request) override;
  // The main window's controls and menu.
  void ShowStage(const StageView& view) override;
  void ShowStatus(const StatusLine& line) override;
  void ShowInstructions(std::string_view lines) override;

 private:
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void OnInitDialog();
  void OnCommand(int id);
  HBRUSH OnCtlColorStatic(HWND control, HDC dc);
  // The menu bar, the system menu's About item, the icons, and a window grown to hold the menu
  // and the status line below the template's area.
  void BuildMenus();
  void FitWindow();
  // Every way of closing ends here.
  void RequestClose();
  // Closes the port and deletes the staging files (once), then frees the frames still queued.
  void Shutdown();
  // The restore's COMPLETE box with its Verify button (a task dialog); true when Verify was
  // pressed.
  bool ShowOfferBox(const MessageBoxView& box);
  void EnableMenuCommand(int id, bool enabled);
  // A button that had the focus and is now disabled (or a focus lost to a closed window) leaves
  // it to the instruction box, from which Tab reaches the stage's one enabled button.
  void KeepFocusUsable();

  HINSTANCE m_instance;
  HWND m_hwnd = nullptr;
  HMENU m_menu = nullptr;
  HICON m_hIcon = nullptr;
  HICON m_hSmallIcon = nullptr;
  CCautionLabel m_cautionText;
  CCautionLabel m_cautionTitle;
  CCommProgressDlg m_progress;
  bool m_statusFailure = false;
  RegistryPortMemory m_portMemory;
  UpgradePresenter m_presenter;
};

}  // namespace q7310::win32
