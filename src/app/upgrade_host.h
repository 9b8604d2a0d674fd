// The host interface: everything the controller needs from the world around it.
//
// CUpgradeDlg is plain C++; where a windowing program would start a timer, open a message box or
// enable a button, it calls this interface instead. The desktop program implements it with Qt
// widgets, the command-line tool for a terminal, and the tests with a virtual clock. All calls
// come on the controller's thread, and the host calls the controller back on that same thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "app/settings_notes.h"
#include "backup/backup_file_info.h"

namespace q7310 {

enum class MessageKind {
  Error,     // caption "ERROR", exclamation icon
  Complete,  // caption "COMPLETE", information icon
};

// The guidance stages, in the order of the procedure.
inline constexpr int kStageError = 0;  // the port could not be opened
inline constexpr int kStageBackup = 1;
inline constexpr int kStageUpdate = 2;
inline constexpr int kStageRestore = 3;

// What one guidance stage shows: the single enabled button, the instructions, the Setting menu
// item and the caution texts.
struct Guidance {
  int stage = kStageError;
  bool backupEnabled = false;
  bool updateEnabled = false;
  bool restoreEnabled = false;
  bool settingEnabled = true;
  std::string instructions;  // the stage's lines joined with "\r\n"
  std::string cautionTitle;  // empty outside stage 1
  std::string cautionText;   // empty outside stage 1
};

// Protocol events that a trace or a machine-readable front end may want; the operator sees none.
enum class ProtocolEvent {
  Resend,        // the reply timer expired and the last request was sent again
  GiveUp,        // the reply timer expired after the last resend
  DroppedFrame,  // a received frame was damaged or too short and was dropped
  IgnoredFrame,  // a received frame did not belong to the running operation
};

// A request sent again because its reply did not come within the reply timer's period.
struct ResendNotice {
  std::string_view command;  // the request's name: "CMD_READ_SLOT"
  int count = 0;             // resends made since start-up or the last give-up, this one included
  int limit = 0;             // resends allowed; the next time-out after the last one gives up
  unsigned timeoutMs = 0;    // the reply timer's period
  std::string text;          // for the operator: "No reply within 5.0 s; sending again (1 of 3)"
};

class IUpgradeHost {
 public:
  virtual ~IUpgradeHost() = default;

  // Starts timer `id` with the given period, or restarts it when it runs already. Until
  // KillTimer(id), the host calls CUpgradeDlg::OnTimer(id) every period.
  virtual void SetTimer(unsigned id, unsigned periodMs) = 0;
  virtual void KillTimer(unsigned id) = 0;

  // A message box with a single OK button, owned by the main window. `detail` is an optional
  // system reason (such as an errno text) shown apart from the fixed text; often empty.
  virtual void ShowMessage(MessageKind kind, std::string_view text, std::string_view detail) = 0;

  // The progress dialog.
  virtual void SetProgressTitle(std::string_view title) = 0;
  virtual void SetProgressMessage(std::string_view text) = 0;
  // The update's percentage (0..100) for a progress bar; -1 when no percentage applies.
  virtual void SetProgressPercent(int percent) = 0;
  virtual void ShowProgress(bool visible) = 0;

  // The main window's buttons, instructions, Setting menu item and caution labels.
  virtual void ApplyGuidance(const Guidance& guidance) = 0;

  // Runs the port settings dialog modally with the current values and returns the port number it
  // hands back (the value given, when the operator cancelled).
  virtual int RunSettingDialog(int portNo, int baudRate) = 0;

  // After a successful backup: the dated copy kept in the history folder (`path`), or, when it
  // could not be written, an empty path and the reason. The backup itself has succeeded either
  // way. Default: ignored.
  virtual void OnBackupKept(std::string_view /*path*/, std::string_view /*error*/) {}

  // The COMPLETE message at the end of a successful restore. A host that can offer a verify pass
  // there returns true when the operator asked for one (the controller then starts it); the
  // default shows the plain message and returns false.
  virtual bool ShowRestoreComplete(std::string_view text) {
    ShowMessage(MessageKind::Complete, text, {});
    return false;
  }

  // A request sent again, said as it happens (OnProtocolEvent(Resend) comes just before it).
  // Default: ignored.
  virtual void OnResend(const ResendNotice& /*notice*/) {}

  // How the operator restores the backup file at `path` with this program, for the texts that
  // say where the settings are: a command line, a menu item. Default: empty (the texts then name
  // the file alone).
  virtual std::string HowToRestore(std::string_view /*path*/) { return {}; }

  // An update or a restore ended without success (it failed, was refused before it started, or
  // was cancelled) in a run that made a backup: `note` says where the settings that backup read
  // are and how to restore them. Called as the operation ends; when `failed`, the failure's
  // message follows at once. Default: ignored.
  virtual void OnSettingsToRestore(const SettingsNote& /*note*/, bool /*failed*/) {}

  // Before a restore sends anything: the file at `path` is a whole sequence of slot records that
  // does not hold the slots 0 to 8 once each (`coverage` names what it lacks or repeats). True
  // restores it all the same, its records as they stand; false leaves the restore unstarted, as
  // a Cancel would. Default: true.
  virtual bool ConfirmIncompleteBackup(std::string_view /*path*/,
                                       const SlotCoverage& /*coverage*/) {
    return true;
  }

  // Protocol events for traces and machine-readable output. `detail` says more (the command,
  // the reason a frame was dropped). Default: ignored.
  virtual void OnProtocolEvent(ProtocolEvent /*event*/, std::string_view /*detail*/) {}
};

}  // namespace q7310
