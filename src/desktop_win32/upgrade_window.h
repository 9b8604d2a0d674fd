// CUpgradeWindow: the Windows desktop program's one window (template IDD_UPGRADE), the Win32 host
// of the core controller CUpgradeDlg.
//
// It carries the BACKUP, UPDATE and RESTORE buttons, the read-only instruction box, the red
// caution texts, the menu File > Open firmware file... and Exit, Option > Setting, Restore from
// saved backup... and Verify settings..., and the About item in the system menu; it owns the
// progress dialog. Verify (also the Verify button of the restore's COMPLETE box) reads the
// settings back and compares them with the file the last restore sent, else BACKUP.BIN. As the
// controller's host it runs the timers on the window (SetTimer/KillTimer), shows the message
// boxes, the progress dialog, the guidance and the settings dialog. As the serial link's frame
// receiver it posts each frame from the receive thread to the window (WM_COMM_FRAME), where the
// controller handles the frames in arrival order.
//
// Keys, as in any dialog: Enter on a focused button presses it; the instruction box takes Return
// and does nothing with it; elsewhere Enter and Escape close the window. Every way of closing
// (also the close box and File > Exit) does nothing while an operation runs, and asks first while
// a backup waits for its restore. Closing closes the port and deletes BACKUP.BIN and UPDATE.BIN
// when this run wrote them. Under the template's area a status line says where the dated copy of
// the last backup was kept, or why none was.
#pragma once

// The core's headers come before <windows.h>, whose macros (NOPARITY and the like) would
// otherwise replace names they define.
// clang-format off
#include "app/session.h"
#include "app/upgrade_dlg.h"
#include "app/upgrade_host.h"
#include "serial/serial_port.h"

#include <windows.h>
// clang-format on

#include <memory>
#include <optional>
#include <set>
#include <string>

#include "desktop_win32/caution_label.h"
#include "desktop_win32/progress_dialog.h"

namespace q7310::win32 {

class CUpgradeWindow : public IUpgradeHost, public IFrameReceiver {
 public:
  // The window's controller works on `session`'s parts; the session outlives the window.
  CUpgradeWindow(HINSTANCE instance, Session& session);
  ~CUpgradeWindow() override;
  CUpgradeWindow(const CUpgradeWindow&) = delete;
  CUpgradeWindow& operator=(const CUpgradeWindow&) = delete;

  // Makes and shows the window, then opens the port (stage 1, or the port error and stage 0).
  // False when the window could not be made.
  bool Create(int showCommand);
  // The message loop, until the window is gone; the program's exit status.
  int Run();

  // IUpgradeHost.
  void SetTimer(unsigned id, unsigned periodMs) override;
  void KillTimer(unsigned id) override;
  void ShowMessage(MessageKind kind, std::string_view text, std::string_view detail) override;
  void SetProgressTitle(std::string_view title) override;
  void SetProgressMessage(std::string_view text) override;
  void SetProgressPercent(int percent) override;
  void ShowProgress(bool visible) override;
  void ApplyGuidance(const Guidance& guidance) override;
  int RunSettingDialog(int portNo, int baudRate) override;
  void OnBackupKept(std::string_view path, std::string_view error) override;
  // The restore's COMPLETE box, with a Verify button beside OK.
  bool ShowRestoreComplete(std::string_view text) override;
  void OnProtocolEvent(ProtocolEvent event, std::string_view detail) override;

  // IFrameReceiver: called on the receive thread; posts the frame to the window.
  void PostFrame(uint32_t status, std::vector<uint8_t> frame) override;

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
  // Option > Restore from saved backup...: choose, confirm, restore.
  void RestoreFromSaved();
  // File > Open firmware file...: choose a file and copy it into the working folder under the
  // firmware file's name, asking before a different one there is replaced.
  void OpenFirmware();
  // Option > Verify settings...
  void VerifySettings();
  // Keeps the port for the next start once it has opened (port_registry.h).
  void RememberPortIfOpen();
  // Closes the port and deletes the staging files, once.
  void Shutdown();
  void SetNotice(const std::string& text, bool failure);
  // A button that had the focus and is now disabled (or a focus lost to a closed window) leaves
  // it to the instruction box, from which Tab reaches the stage's one enabled button.
  void KeepFocusUsable();

  HINSTANCE m_instance;
  Session& m_session;
  HWND m_hwnd = nullptr;
  HMENU m_menu = nullptr;
  HICON m_hIcon = nullptr;
  HICON m_hSmallIcon = nullptr;
  CCautionLabel m_cautionText;
  CCautionLabel m_cautionTitle;
  CCommProgressDlg m_progress;
  std::unique_ptr<CUpgradeDlg> m_core;
  std::set<unsigned> m_timers;  // running now
  std::string m_keptPath;       // the last backup's dated copy; empty when none could be kept
  std::string m_keptError;      // why it could not be kept
  bool m_noticeFailure = false;
  bool m_shutDown = false;
  // While a restore from a saved backup runs, the box shows the restore instructions; the text
  // it showed before comes back if the restore ends without a new stage.
  std::optional<std::string> m_guideBeforeRestore;
};

}  // namespace q7310::win32
