// UpgradeWindow: the desktop program's one window, over the core controller CUpgradeDlg.
//
// It carries the BACKUP, UPDATE and RESTORE buttons, the read-only instruction box, the red
// caution texts and the menu File > Exit, Option > Setting, and owns the progress dialog. It is
// the controller's host (timers, message boxes, progress dialog, guidance, settings dialog) and
// the serial link's frame receiver: frames arrive on the receive thread and are queued to the
// GUI thread, where the controller handles them in arrival order.
//
// The About box is reached from the window's context menu (right click), which stands in for the
// system menu that Linux window managers do not let a program extend.
//
// Option > Restore from saved backup... restores a dated copy from the history folder, exactly as
// RESTORE does; it is offered whenever the port is open. Option > Verify settings... (and the
// Verify button of the restore's COMPLETE box) reads the settings back and compares them with the
// file last restored, or with BACKUP.BIN before any restore.
//
// Keys, as in a dialog: Return or Enter on a focused operation button presses it (as Space does);
// the instruction box takes Return and Enter and does nothing with them; elsewhere Return, Enter
// and Escape close the window.
//
// Closing: the close box, File > Exit, Enter and Escape close the window only while no operation
// runs. While a backup waits for its restore (guidance stages 2 and 3), closing first asks, No
// being the default: the question names the dated copy that stays in the history folder, or says
// that none could be kept. Closing (or destroying) the window closes the port and deletes
// BACKUP.BIN and UPDATE.BIN.
//
// After every backup the status bar says where its dated copy was kept, or why none was; the
// notice stays until the next backup starts.
#pragma once

#include <QMainWindow>
#include <QString>
#include <memory>
#include <optional>
#include <string>

#include "app/upgrade_dlg.h"
#include "app/upgrade_host.h"
#include "desktop/timer_table.h"
#include "serial/serial_port.h"

class QAction;
namespace q7310 {
class ProtocolTrace;
}
class QPlainTextEdit;
class QPushButton;

namespace q7310 {

class BackupNotice;
class CCautionLabel;
class CCommProgressDlg;
class CFirmwareImage;
class CSettingsBackup;
class Session;

class UpgradeWindow : public QMainWindow, public IUpgradeHost, public IFrameReceiver {
  Q_OBJECT

 public:
  // `appFolder` holds the firmware file and the two staging files; empty for the program's folder.
  UpgradeWindow(CSerialPort& serial, CSettingsBackup& backup, CFirmwareImage& image,
                std::string appFolder = {});
  // The window over an open session: its parts, folder, trace and reply timeout. The session
  // must outlive the window.
  explicit UpgradeWindow(Session& session);
  ~UpgradeWindow() override;

  // Received frames and protocol events also go to `trace` (the serial link's transmit side is
  // connected by the owner). Call before Initialise.
  void SetTrace(ProtocolTrace* trace) { m_trace = trace; }
  // The reply timer's period (5000 ms unless changed).
  void SetReplyTimeoutMs(unsigned ms) { m_core->SetReplyTimeoutMs(ms); }

  // Start-up: opens port `portNo` (or the serial link's device, when it has one) and shows
  // stage 1, or the port error and stage 0. A port that opened is remembered for the next start.
  // Call once, after the serial link has its device (SetDevicePath) and preferably after show().
  void Initialise(int portNo = 1);

  // Option > Restore from saved backup... with the file already chosen: asks for confirmation,
  // showing the file's date and slot summary, then restores it with the restore instructions in
  // the instruction box. False when the operator said no.
  bool RestoreFromFile(const QString& path);

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
  void OnProtocolEvent(ProtocolEvent event, std::string_view detail) override;
  // The restore's COMPLETE box, with a Verify button beside OK.
  bool ShowRestoreComplete(std::string_view text) override;

  // IFrameReceiver: called on the receive thread; queues the frame to the GUI thread.
  void PostFrame(uint32_t status, std::vector<uint8_t> frame) override;

  // Shows the About box modally.
  void ShowAbout();
  // File > Open firmware file...: copies `path` into the working folder as Q7310_v201.mot (the
  // name the update reads), asking before it replaces a different file there. True when the
  // folder then holds the chosen file.
  bool OpenFirmwareFile(const QString& path);

  // Parts, for tests and screenshots.
  const CUpgradeDlg& Core() const { return *m_core; }
  QPushButton* BackupButton() const { return m_btnBackup; }
  QPushButton* UpdateButton() const { return m_btnUpdate; }
  QPushButton* RestoreButton() const { return m_btnRestore; }
  QPlainTextEdit* GuideBox() const { return m_editGuide; }
  BackupNotice* BackupKeptNotice() const { return m_backupNotice; }
  CCautionLabel* CautionTitle() const { return m_cautionTitle; }
  CCautionLabel* CautionText() const { return m_cautionText; }
  QAction* ExitAction() const { return m_actExit; }
  QAction* OpenFirmwareAction() const { return m_actOpenFirmware; }
  QAction* SettingAction() const { return m_actSetting; }
  QAction* RestoreFromAction() const { return m_actRestoreFrom; }
  QAction* VerifyAction() const { return m_actVerify; }
  CCommProgressDlg* ProgressDialog() const { return m_progress; }
  bool IsTimerActive(unsigned id) const { return m_timers.IsActive(id); }

 signals:
  // After each guidance change, with its stage.
  void GuidanceApplied(int stage);
  // After each change of the update's percentage (-1: none).
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
  // Asks whether to close all the same; true on Yes.
  bool ConfirmCloseWithBackupHeld();
  // Closes the port and deletes the staging files, once.
  void Shutdown();
  // Keeps the port number or device for the next start, when the port is open.
  void RememberPortIfOpen();
  // The question before a restore from `path`: its date, and its slot records as inspect lists
  // them (RestoreFromSummary).
  bool ConfirmRestoreFrom(const QString& path);

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
  ProtocolTrace* m_trace = nullptr;
  CCommProgressDlg* m_progress = nullptr;
  BackupNotice* m_backupNotice = nullptr;
  QString m_keptPath;   // the last backup's dated copy; empty when none could be kept
  QString m_keptError;  // why it could not be kept
  TimerTable m_timers;
  CSerialPort& m_serial;
  std::unique_ptr<CUpgradeDlg> m_core;
  bool m_shutDown = false;
  // While a restore from a saved backup runs, the box shows the restore instructions; the text
  // it showed before comes back if the restore ends without a new stage.
  std::optional<QString> m_guideBeforeRestore;
};

}  // namespace q7310
