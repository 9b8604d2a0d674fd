// UpgradeWindow: the Qt desktop program's one window, the Qt view of the presenter
// (app/upgrade_presenter.h, which decides everything around the controller).
//
// It carries the BACKUP, UPDATE and RESTORE buttons, the read-only instruction box, the red
// caution texts, the status line and the menu File > Open firmware file... and Exit, Option >
// Setting, Restore from saved backup... and Verify settings..., and owns the progress dialog.
// Frames arrive on the receive thread and are queued to the GUI thread. The About box is reached
// from the window's context menu (right click), which stands in for the system menu that Linux
// window managers do not let a program extend.
//
// Keys, as in a dialog: Return or Enter on a focused operation button presses it (as Space does);
// the instruction box takes Return and Enter and does nothing with them; elsewhere Return, Enter
// and Escape close the window. Every way of closing (those keys, the close box, File > Exit) asks
// the presenter first.
#pragma once

#include <QMainWindow>
#include <string>

#include "app/upgrade_presenter.h"
#include "app/upgrade_view.h"
#include "desktop/port_memory.h"
#include "desktop/timer_table.h"

class QAction;
class QPlainTextEdit;
class QPushButton;

namespace q7310 {

class CCautionLabel;
class CCommProgressDlg;
class StatusNotice;

class UpgradeWindow : public QMainWindow, public IUpgradeView {
  Q_OBJECT

 public:
  // The window over the parts of a run; `appFolder` holds the firmware file and the two staging
  // files (empty: the program's folder).
  UpgradeWindow(CSerialPort& serial, CSettingsBackup& backup, CFirmwareImage& image,
                std::string appFolder = {});
  // The window over an open session, which must outlive it.
  explicit UpgradeWindow(Session& session);
  ~UpgradeWindow() override;

  // Start-up: opens port `portNo` (or the serial link's device), or, when no port was named or
  // remembered, the one the presenter chooses (UpgradePresenter::Start), and shows stage 1, or
  // the port error and stage 0. Call once, preferably after show().
  void Initialise(int portNo = 1, bool portNamed = true) { m_presenter.Start(portNo, portNamed); }
  void SetReplyTimeoutMs(unsigned ms) { m_presenter.SetReplyTimeoutMs(ms); }
  // Shows the About box modally.
  void ShowAbout();

  UpgradePresenter& Presenter() { return m_presenter; }
  const CUpgradeDlg& Core() const { return m_presenter.Core(); }
  bool IsTimerActive(unsigned id) const { return m_timers.IsActive(id); }
  // The controls, for tests and screenshots.
  QPushButton* BackupButton() const { return m_btnBackup; }
  QPushButton* UpdateButton() const { return m_btnUpdate; }
  QPushButton* RestoreButton() const { return m_btnRestore; }
  QPlainTextEdit* GuideBox() const { return m_editGuide; }
  StatusNotice* Notice() const { return m_statusLine; }
  CCautionLabel* CautionTitle() const { return m_cautionTitle; }
  CCautionLabel* CautionText() const { return m_cautionText; }
  QAction* ExitAction() const { return m_actExit; }
  QAction* OpenFirmwareAction() const { return m_actOpenFirmware; }
  QAction* SettingAction() const { return m_actSetting; }
  QAction* RestoreFromAction() const { return m_actRestoreFrom; }
  QAction* VerifyAction() const { return m_actVerify; }
  CCommProgressDlg* ProgressDialog() const { return m_progress; }

  // IUpgradeView.
  void ShowStage(const StageView& view) override;
  void ShowInstructions(std::string_view lines) override;
  void ShowStatus(const StatusLine& line) override;
  bool ShowMessage(const MessageBoxView& box) override;
  bool Ask(const Question& question) override;
  std::string ChooseFile(const FileRequest& request) override;
  int RunSettingDialog(const PortSettingView& setting) override;
  void SetProgressTitle(std::string_view title) override;
  void SetProgressMessage(std::string_view text) override;
  void SetProgressPercent(int percent) override;
  void ShowProgress(bool visible) override;
  void SetTimer(unsigned id, unsigned periodMs) override { m_timers.Set(id, periodMs); }
  void KillTimer(unsigned id) override { m_timers.Kill(id); }
  void QueueFrame(uint32_t status, std::vector<uint8_t> frame) override;

 signals:
  // After each stage shown, with its number.
  void GuidanceApplied(int stage);
  // After each change of the progress dialog's percentage (-1: none).
  void ProgressPercentChanged(int percent);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The controls, the menu and the progress dialog; for both constructors.
  void Build();
  void BuildControls();
  void BuildMenu();

  CCautionLabel* m_cautionText = nullptr;
  CCautionLabel* m_cautionTitle = nullptr;
  QPlainTextEdit* m_editGuide = nullptr;
  QPushButton* m_btnUpdate = nullptr;
  QPushButton* m_btnRestore = nullptr;
  QPushButton* m_btnBackup = nullptr;
  QAction* m_actExit = nullptr;
  QAction* m_actOpenFirmware = nullptr;
  QAction* m_actSetting = nullptr;
  QAction* m_actRestoreFrom = nullptr;
  QAction* m_actVerify = nullptr;
  CCommProgressDlg* m_progress = nullptr;
  StatusNotice* m_statusLine = nullptr;
  TimerTable m_timers;
  SettingsPortMemory m_portMemory;
  UpgradePresenter m_presenter;
};

}  // namespace q7310
