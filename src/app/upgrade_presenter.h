// UpgradePresenter: the one place for what the desktop programs' main window decides around the
// controller, behind the view interface (upgrade_view.h) that each window implements with its
// toolkit.
//
// It is the controller's host and the serial link's frame receiver, and turns both into view
// calls: the stage a guidance shows (the one button, the Setting, Restore from and Verify items,
// the instructions and the caution texts), the status line (the port chosen at start-up, each
// resend while an operation runs, where a backup's dated copy was kept or why none was), the port
// settings dialog with the ports present, the progress dialog, the message boxes, the timers and
// the queue of received frames (each frame and protocol event also goes to the trace). The window
// calls it for the operator's actions:
//   Start                  opens the port (stage 1, or the port error and stage 0) and
//                          remembers a port that opened; when no port was named or remembered,
//                          it first chooses as q7310 does (the one USB serial adapter present)
//                          and says so in the status line, or that several are present;
//   OnBackup ... OnVerify  the buttons and menu items; Verify compares with the file the last
//                          restore sent, else BACKUP.BIN;
//   OpenFirmwareFile       File > Open firmware file... with the file chosen: copied into the
//                          working folder under the name the update reads, asking first before a
//                          different file there is replaced;
//   RestoreFromFile        Option > Restore from saved backup... with the file chosen: asks
//                          (the file's date and slot records, and the slots it lacks or
//                          repeats), then restores it exactly as RESTORE does, with the restore
//                          instructions in the box while it runs; RESTORE asks first (No the
//                          default) only for such a file;
//   MayClose               every way of closing asks it: no while an operation runs, and while
//                          a backup waits for its restore (stages 2 and 3) only on the
//                          operator's Yes to a question that names the dated copy that stays;
//   Shutdown               closes the port and deletes the staging files this run wrote, once
//                          (not a BACKUP.BIN that no dated copy holds: standard error says so).
// After an update or a restore that did not succeed in a run that made a backup, the failure's
// message (its detail) and the status line say where that backup's settings are and that
// Option > Restore from saved backup... restores them.
// OnTimer, OnFrame and OnCancel come from the window's timers, frame queue and progress dialog.
//
// Threads: everything on the window's thread, but the frame receiver (PostFrame), which the
// serial link calls on its receive thread and which only writes the trace and queues the frame.
#pragma once

#include <memory>
#include <set>
#include <span>
#include <string>

#include "app/remembered_port.h"
#include "app/upgrade_dlg.h"
#include "app/upgrade_host.h"
#include "app/upgrade_view.h"
#include "serial/serial_port.h"

namespace q7310 {

class CFirmwareImage;
class CSettingsBackup;
class ProtocolTrace;
class Session;

class UpgradePresenter : private IUpgradeHost, private IFrameReceiver {
 public:
  // The run's parts, for a window without a session (tests). `folder` empty: the program's
  // folder.
  struct Parts {
    CSerialPort& serial;
    CSettingsBackup& backup;
    CFirmwareImage& image;
    std::string folder;
    ProtocolTrace* trace = nullptr;
  };

  // `portMemory` may be null: nothing is remembered. Both must outlive the presenter, as must the
  // session or the parts.
  UpgradePresenter(IUpgradeView& view, IPortMemory* portMemory, const Parts& parts);
  UpgradePresenter(IUpgradeView& view, IPortMemory* portMemory, Session& session);
  ~UpgradePresenter() override;
  UpgradePresenter(const UpgradePresenter&) = delete;
  UpgradePresenter& operator=(const UpgradePresenter&) = delete;

  // Start-up, once the window is up (a port error's message box then has its owner on screen).
  // `portNamed`: the port to open was named (--device) or remembered from an earlier run, and
  // port `portNo` (or the serial link's device) is opened as it stands. Otherwise the port is
  // chosen as q7310 chooses it (ChoosePortToOpen): the only USB serial adapter present, else
  // port `portNo`, and the status line says which adapter, or that several are present. A port
  // chosen so is not remembered: the next start chooses again, so that an adapter plugged in
  // later, or into another socket, is found.
  void Start(int portNo, bool portNamed = true);

  // The operator's actions.
  void OnBackup();
  void OnUpdate();
  void OnRestore();
  void OnSetting();
  void OnOpenFirmware();
  bool OpenFirmwareFile(const std::string& path);  // true when the folder then holds the file
  void OnRestoreFromSaved();
  bool RestoreFromFile(const std::string& path);  // false when the operator said no
  void OnVerify();
  bool MayClose();
  void Shutdown();

  // From the window's timers, frame queue and progress dialog.
  void OnTimer(unsigned id);
  void OnFrame(uint32_t status, std::span<const uint8_t> frame);
  void OnCancel();

  const CUpgradeDlg& Core() const { return *m_core; }
  CUpgradeDlg& Core() { return *m_core; }
  const std::string& AppFolder() const { return m_core->AppFolder(); }
  void SetReplyTimeoutMs(unsigned ms) { m_core->SetReplyTimeoutMs(ms); }
  // Whether timer `id` runs (set and not yet killed).
  bool IsTimerActive(unsigned id) const { return m_timers.count(id) != 0; }

  // What a guidance shows in the main window.
  static StageView StageViewOf(const Guidance& guidance);
  // What the port settings dialog lists of the ports present.
  static PresentPortsView PresentPortsOf(const std::vector<SerialPortInfo>& ports);

 private:
  // IUpgradeHost: the controller's calls.
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
  bool ShowRestoreComplete(std::string_view text) override;
  void OnResend(const ResendNotice& notice) override;
  void OnProtocolEvent(ProtocolEvent event, std::string_view detail) override;
  std::string HowToRestore(std::string_view path) override;
  void OnSettingsToRestore(const SettingsNote& note, bool failed) override;
  bool ConfirmIncompleteBackup(std::string_view path, const SlotCoverage& coverage) override;
  // IFrameReceiver, on the receive thread.
  void PostFrame(uint32_t status, std::vector<uint8_t> frame) override;

  // Keeps the port number or device for the next start, when the port is open.
  void RememberPortIfOpen();
  // Start-up without a named port: the only USB serial adapter present (its number returned, or
  // its device given to the serial link), else `portNo`; the status line says what was found.
  int ChooseStartPort(int portNo);
  // The status line's own text (a resend shows over it until its operation ends).
  void ShowStatus(StatusLine line);
  // The stage's own instructions again, after a restore from a saved backup showed the restore's.
  void EndRestoreInstructions();

  IUpgradeView& m_view;
  IPortMemory* m_portMemory;
  CSerialPort& m_serial;
  ProtocolTrace* m_trace;
  std::unique_ptr<CUpgradeDlg> m_core;
  std::set<unsigned> m_timers;         // running now
  StageView m_stage;                   // the stage shown
  bool m_restoreInstructions = false;  // the box shows the restore's instead of the stage's
  StatusLine m_status;                 // the status line's own text
  bool m_resendShown = false;          // a resend shows over it
  std::string m_keptPath;   // the last backup's dated copy, as the system spells it; empty when
  std::string m_keptError;  // none could be kept, and then why
  bool m_shutDown = false;
  // Where the settings of this run's backup are, for the detail of the failure message that
  // follows; empty when none is due.
  std::string m_settingsNote;
  // The file whose missing or repeated slots the operator has just accepted in the question of
  // Restore from saved backup..., so that the restore does not ask again.
  std::string m_incompleteAccepted;
};

}  // namespace q7310
