// The controller's host for a terminal: a small single-threaded event loop with timers, the queue
// of frames from the serial link's receive thread, and Ctrl-C (SIGTERM, SIGHUP) as the progress
// dialog's Cancel.
// Message boxes, progress texts and guidance go to an OutputSink (plain lines or JSON).
//
// The host is also the serial link's wire observer: it passes every frame sent and received to
// the trace (when there is one), counts the data bytes that the running operation moves (for
// its rate), and in verbose mode hands each trace line to the output as well, on the
// controller's thread.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/protocol_trace.h"
#include "app/upgrade_dlg.h"
#include "app/upgrade_host.h"
#include "cli/output_sink.h"
#include "serial/serial_port.h"

namespace q7310::cli {

class TerminalHost : public IUpgradeHost, public IFrameReceiver, public IWireObserver {
 public:
  explicit TerminalHost(OutputSink& out) : m_out(out) {}
  void Attach(CUpgradeDlg& dlg) { m_dlg = &dlg; }
  // Received frames and protocol events also go to the trace, when one is given.
  void SetTrace(ProtocolTrace* trace) { m_trace = trace; }
  // Verbose: every trace line goes to the output too.
  void SetVerbose(bool verbose) { m_verbose = verbose; }

  // Handles frames, timers and Ctrl-C until the controller is idle again. Returns false when the
  // operation was cancelled with Ctrl-C.
  bool RunUntilIdle();
  // Hands every frame already queued to the controller (which ignores them while idle).
  void DrainQueuedFrames();

  // Ctrl-C, SIGTERM and SIGHUP (console.h): the first one cancels the running operation.
  static void InstallInterruptHandler();
  static bool Interrupted() { return s_interrupted.load(); }
  static void ClearInterrupt() { s_interrupted = false; }
  // Whether an interrupt came since the last call, which clears it.
  static bool TakeInterrupt() { return s_interrupted.exchange(false); }
  // The flag itself, for work that must stop when it is set (a firmware load).
  static const std::atomic<bool>& InterruptFlag() { return s_interrupted; }

  // The messages shown since the last call, for deciding whether an operation failed.
  std::vector<MessageKind> TakeMessageKinds();
  // The data bytes moved since the last call (frame bodies beyond their fixed fields, both ways).
  uint64_t TakeDataBytes();

  // The command line that restores a file, up to the operation ("q7310 --port COM3"): the
  // restore command that the texts on saved settings name is this, then "restore --from FILE".
  void SetRestoreCommand(std::string command) { m_restoreCommand = std::move(command); }
  // Asked after the warning on a backup file that lacks or repeats slots: true to restore it all
  // the same. Unset: true.
  void SetConfirmation(std::function<bool()> confirm) { m_confirm = std::move(confirm); }
  // Whether a restore was declined (the confirmation said no) since the last call.
  bool TakeDeclined() { return std::exchange(m_declined, false); }
  // Where the settings of this run's backup are, when an update or a restore did not succeed
  // after it; the last one said.
  const std::optional<SettingsNote>& SettingsNoteOfRun() const { return m_settingsNote; }

  // IUpgradeHost
  void SetTimer(unsigned id, unsigned periodMs) override;
  void KillTimer(unsigned id) override { m_timers.erase(id); }
  void ShowMessage(MessageKind kind, std::string_view text, std::string_view detail) override;
  void SetProgressTitle(std::string_view title) override { m_out.ProgressTitle(title); }
  void SetProgressMessage(std::string_view text) override { m_out.Progress(text, m_percent); }
  void SetProgressPercent(int percent) override {
    m_percent = percent;
    m_out.ProgressPercent(percent);
  }
  void ShowProgress(bool visible) override;
  void ApplyGuidance(const Guidance& guidance) override { m_out.Stage(guidance); }
  int RunSettingDialog(int portNo, int) override { return portNo; }
  void OnBackupKept(std::string_view path, std::string_view error) override {
    m_out.BackupKept(path, error);
  }
  void OnProtocolEvent(ProtocolEvent event, std::string_view detail) override;
  void OnResend(const ResendNotice& notice) override { m_out.Resend(notice); }
  std::string HowToRestore(std::string_view path) override;
  void OnSettingsToRestore(const SettingsNote& note, bool) override { m_settingsNote = note; }
  bool ConfirmIncompleteBackup(std::string_view path, const SlotCoverage& coverage) override;

  // IFrameReceiver: called on the receive thread.
  void PostFrame(uint32_t status, std::vector<uint8_t> frame) override;

  // IWireObserver: OnTransmit on the controller's thread, OnLineError on the receive thread.
  void OnTransmit(std::span<const uint8_t> frame, std::string_view error) override;
  void OnLineError(uint32_t bits) override;

 private:
  using Clock = std::chrono::steady_clock;
  struct Timer {
    Clock::time_point deadline;
    std::chrono::milliseconds period;
  };
  // A frame from the receive thread, or (lineError) only the line errors it saw.
  struct QueuedFrame {
    uint32_t status = 0;
    std::vector<uint8_t> bytes;
    std::chrono::system_clock::time_point received;
    bool lineError = false;
  };

  // On the controller's thread: shows and counts the frame, then hands it to the controller.
  void Deliver(const QueuedFrame& frame);
  void Show(std::chrono::system_clock::time_point when, const ProtocolTrace::Line& line);
  void Queue(QueuedFrame frame);

  static std::atomic<bool> s_interrupted;

  OutputSink& m_out;
  CUpgradeDlg* m_dlg = nullptr;
  ProtocolTrace* m_trace = nullptr;
  bool m_verbose = false;
  std::map<unsigned, Timer> m_timers;
  int m_percent = -1;
  uint64_t m_dataBytes = 0;
  std::vector<MessageKind> m_messageKinds;
  std::string m_restoreCommand;
  std::function<bool()> m_confirm;
  bool m_declined = false;
  std::optional<SettingsNote> m_settingsNote;

  std::mutex m_mutex;
  std::condition_variable m_wake;
  std::deque<QueuedFrame> m_frames;  // guarded by m_mutex
};

}  // namespace q7310::cli
