// CUpgradeDlg: the controller of the three operations and the operator guidance, without any
// toolkit types.
//
// BACKUP reads the nine settings slots and saves them converted to BACKUP.BIN; UPDATE sends the
// firmware image staged in UPDATE.BIN; RESTORE writes BACKUP.BIN back. Each is a strict
// request/reply sequence: one request outstanding, a reply timer of 5000 ms, and three resends
// counted from start-up or from the last give-up (not per request). The guidance stage decides
// the one enabled button and the instructions.
//
// Threads: every member runs on the controller's thread. Received frames reach it through the
// front end's IFrameReceiver, which queues them and calls OnFrameReceived on this thread.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/port_choice.h"
#include "app/request_sender.h"
#include "app/settings_notes.h"
#include "app/upgrade_host.h"
#include "backup/settings_backup.h"
#include "backup/settings_compare.h"
#include "protocol/protocol.h"

namespace q7310 {

class CSerialPort;
class CFirmwareImage;
class IFrameReceiver;

class CUpgradeDlg {
 public:
  // kVerify reads the slots back after a restore and compares them with the restored file.
  enum Mode : int { kIdle = 0, kBackup = 1, kUpdate = 2, kRestore = 3, kVerify = 4 };
  // Results of the reply handlers.
  enum ReplyResult : int { kNothingDecided = 0, kSucceeded = 1, kFailed = 2 };

  // `appFolder` holds Q7310_v201.mot, BACKUP.BIN and UPDATE.BIN; empty means the program's own
  // folder (or, when that cannot be found, the current directory).
  CUpgradeDlg(IUpgradeHost& host, CSerialPort& serial, CSettingsBackup& backup,
              CFirmwareImage& image, std::string appFolder = {});

  // Start-up: makes `receiver` the serial link's owner, opens port `portNo` (1 unless a front
  // end's option says otherwise) at 57600 bps and shows stage 1, or the port error and stage 0.
  void OnInitDialog(IFrameReceiver& receiver, int portNo = 1);

  // The three buttons. Each starts its operation only while idle.
  void OnBackup();
  void OnUpdate();
  void OnRestore();
  // RESTORE from another file than BACKUP.BIN (a saved copy from the history folder); the restore
  // then runs exactly as RESTORE does.
  void OnRestoreFrom(const std::string& path);
  // Verify: reads the nine slots exactly as BACKUP does, without touching the store or any file,
  // and compares them slot by slot with the backup file at `path` (checked first, as a restore
  // checks it). Ends with a COMPLETE message when every slot is equal, an ERROR message listing
  // the differing and missing slots otherwise, or the usual failure messages. The guidance stage
  // stays as it is.
  void OnVerifyFrom(const std::string& path);
  // The file that the last RESTORE sent (BACKUP.BIN or the file given to OnRestoreFrom); empty
  // before the first one.
  const std::string& LastRestoreSource() const { return m_restoreSource; }
  // The file a verify compares with when none is named: the one the last restore sent, else
  // BACKUP.BIN. Every front end's Verify asks this.
  std::string VerifySource() const;
  // The outcome of the last verify that read every slot.
  const SettingsComparison& LastComparison() const { return m_comparison; }
  // The folder of dated backup copies.
  std::string HistoryFolder() const;

  // A frame delivered by the serial link, with its receive status word. Always returns 1.
  int OnFrameReceived(uint32_t status, std::span<const uint8_t> frame);
  // Timer expiry; ids other than the reply timer's are ignored.
  void OnTimer(unsigned id);
  // The progress dialog's Cancel. Always returns 1.
  int OnCommCancel();

  // Option > Setting: while idle, runs the settings dialog and reopens the port when the number
  // changed.
  void OnSetting();
  // File > Exit, the close box, and Enter/Escape in the main window may end the program only
  // while idle.
  bool CanClose() const { return m_mode == kIdle; }
  // The window is going away: closes the port and deletes BACKUP.BIN and UPDATE.BIN, each only
  // when this run wrote it (unless keepFiles): a file that was there before the run (perhaps
  // the only copy of a customer's settings) is left as it was. A BACKUP.BIN whose bytes no
  // dated copy in the history folder holds is the only copy of the settings its backup read: it
  // is kept too, and BackupKeptAtExit() then says so and why. Returns the files that existed
  // but could not be deleted.
  std::vector<std::string> OnDestroy(bool keepFiles = false);
  // After OnDestroy: this run's BACKUP.BIN when no dated copy holds it (kept whatever keepFiles
  // said), with the reason; empty otherwise.
  const KeptBackup& BackupKeptAtExit() const { return m_keptAtExit; }

  // Opens (or reopens) the serial link. 1 when the port opened, 0 otherwise.
  int OpenPort(int portNo, int baudRate);
  // Shows a guidance stage through the host.
  void SetGuidance(int stage);
  static Guidance GuidanceFor(int stage);
  // The full path of `name` in the application folder.
  std::string GetAppFilePath(std::string_view name) const;
  // The application (working) folder itself.
  const std::string& AppFolder() const { return m_appFolder; }

  // Frame builders: each builds its request, keeps the copy in m_lastFrame and sends it.
  void SendReadSlot(uint16_t slotNo);
  void SendWriteSlot(uint16_t control, uint16_t blockNo, uint16_t slotNo, const uint8_t* data,
                     uint16_t length);
  void SendUpdateStart(uint32_t startAddress, uint32_t imageSize, uint32_t imageSum);
  void SendUpdateData(uint16_t blockIndex, const uint8_t* data, uint16_t length);
  void SendFrame(const uint8_t* frame, unsigned length);
  void SendFrame(std::span<const uint8_t> frame);

  // Front-end settings.
  void SetReplyTimeoutMs(unsigned ms) { m_replyTimeoutMs = ms; }
  unsigned ReplyTimeoutMs() const { return m_replyTimeoutMs; }
  // Where the serial ports present are looked up (for the details of the port error and of "No
  // reply", and for the front ends' own choices): PresentPorts (app/present_ports.h) unless a
  // test gives its own list.
  using PortLister = std::function<std::vector<SerialPortInfo>()>;
  void SetPortLister(PortLister lister) { m_listPorts = std::move(lister); }
  std::vector<SerialPortInfo> ListPorts() const { return m_listPorts(); }
  // The port the serial link opens: its explicit device, else the port number.
  PortName PortInUse() const;
  // Whether UPDATE may send the simulator's sample firmware, which its header record marks
  // (firmware/header_record.h). Off by default: made-up firmware must never reach an amplifier,
  // so an update of the sample stops with an ERROR before anything is staged or sent, unless
  // the operator asked for it (--allow-sample, for trying the programs against q7310-sim).
  void SetSampleAllowed(bool allowed) { m_allowSample = allowed; }

  // State, for front ends and tests.
  int Mode() const { return m_mode; }
  int PortNo() const { return m_portNo; }
  int BaudRate() const { return m_baudRate; }
  uint8_t RetryCount() const { return m_retryCount; }
  uint16_t SlotNo() const { return m_slotNo; }
  int Stage() const { return m_stage; }
  std::span<const uint8_t> LastFrame() const;

 private:
  int OnReadSlotReply(std::span<const uint8_t> frame);
  int OnWriteSlotReply(std::span<const uint8_t> frame);
  int OnUpdateReply(std::span<const uint8_t> frame);
  int OnDeviceMessage(std::span<const uint8_t> frame);

  // A reason to drop the frame before dispatch (damaged, or shorter than its fields), or empty.
  static std::string_view DropReason(uint32_t status, std::span<const uint8_t> frame);
  // Whether the running operation expects a reply with `command`; one it does not expect is
  // reported as ignored.
  bool Expecting(uint16_t command, bool expected);
  void StartReplyTimer();
  void StopReplyTimer();

  // Every operation starts here: its mode, and the progress dialog with its title.
  void BeginOperation(int mode, std::string_view title);
  // Every operation ends here, whatever the reason (success, failure, give-up, cancel): idle,
  // reply timer stopped (before any message box: a modal box runs a nested event loop in which
  // a running timer would still fire), staged image closed, the failure's message when there is
  // one, progress dialog hidden. Returns `result`.
  int EndOperation(int result, std::string_view failure = {}, std::string_view detail = {});
  // The successful ends, each with the guidance stage that follows it.
  int FinishBackup();
  int FinishUpdate();
  int FinishRestore();
  // After the last slot of a verify: compares and reports; the stage stays.
  int FinishVerify();
  // The reply timer's last expiry: no reply after every resend.
  void GiveUp();

  // Backup and verify read the slots alike; what differs is where the blocks go and what a
  // refusal says.
  struct SlotReading {
    int mode;
    std::string_view title;
    std::string_view failure;  // the message when the amplifier refuses a read
    CSettingsBackup* store;
  };
  // Enters the reading's mode, shows the progress dialog and asks for slot 0.
  void StartReadingSlots(const SlotReading& reading);
  // After a slot's last block: asks for the next slot, or finishes after the ninth.
  int NextSlot();

  // Sends the next restore block; false when the store could not hand one out.
  bool SendNextRestoreBlock(uint16_t& slotNo);
  // The next request of an update or a restore, after the current one was answered.
  int SendNextUpdateBlock();
  int SendNextRestoreRequest();
  int SendNextRequest();
  // Holds the next request while late answers to resent copies are due (RequestSender).
  bool HoldForLateReplies();
  int OnLateReply(bool ok, std::string_view failure);
  void ReportProgress(std::string_view text);
  // The detail line of "Failed to read the MOT file.": where the file was looked for, or what
  // is wrong inside it.
  std::string MotFailureDetail(const std::string& motPath) const;
  // The detail line of "Failed to read the backup file." for `path`.
  std::string BackupFileDetail(const std::string& path) const;
  // Why the port did not open, and which serial ports the system has.
  std::string PortErrorDetail() const;
  // Opens the port at start-up or after a port change and shows stage 1, or the port error and
  // stage 0.
  void OpenPortAndGuide();
  // Keeps a dated copy of the BACKUP.BIN just written in the history folder.
  void KeepHistoryCopy();
  // This run's BACKUP.BIN and why it must stay, when no dated copy holds its bytes; else empty.
  KeptBackup BackupWithoutCopy() const;
  // An update or a restore did not succeed: in a run that made a backup, the host learns where
  // that backup's settings are (`failed`: its failure message follows).
  void TellWhereSettingsAre(bool failed);
  // Before a restore of the records loaded from `path`: true when they hold the slots 0 to 8
  // once each, or when the host confirms a file that does not.
  bool ConfirmSlotCoverage(const std::string& path);

  IUpgradeHost& m_host;
  CSerialPort& m_serial;
  CSettingsBackup& m_backup;
  CFirmwareImage& m_image;
  std::string m_appFolder;

  int m_mode = kIdle;
  int m_portNo = 1;
  int m_baudRate = static_cast<int>(kBaudRate);
  std::array<uint8_t, kLastFrameSize> m_lastFrame{};
  uint8_t m_retryCount = 0;
  // Keeps m_lastFrame, counts m_retryCount and awaits late replies.
  RequestSender m_sender{m_serial, m_lastFrame, m_retryCount};
  uint16_t m_slotNo = 0;
  uint32_t m_bytesSent = 0;
  unsigned m_replyTimeoutMs = kReplyTimeoutMs;
  PortLister m_listPorts;
  bool m_allowSample = false;
  int m_stage = 0;
  // Whether this run wrote BACKUP.BIN (a successful backup) or UPDATE.BIN (a successful
  // firmware load); only those are deleted at exit.
  bool m_wroteBackup = false;
  bool m_wroteUpdate = false;
  // The dated copy of this run's last backup, or (empty) why none could be kept; and, after
  // OnDestroy, the BACKUP.BIN kept because no dated copy holds it.
  std::string m_backupCopy;
  std::string m_backupCopyError;
  KeptBackup m_keptAtExit;

  // Verify: the slots read back (the backup store stays untouched), the file they are compared
  // with, and the outcome.
  CSettingsBackup m_readBack;
  std::vector<uint8_t> m_verifyExpected;
  std::string m_verifySource;
  std::string m_restoreSource;
  SettingsComparison m_comparison;
  SlotReading m_reading{};
};

}  // namespace q7310
