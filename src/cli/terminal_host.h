// The controller's host for a terminal: a small single-threaded event loop with timers, the queue
// of frames from the serial link's receive thread, and Ctrl-C (SIGTERM, SIGHUP) as the progress
// dialog's Cancel.
// Message boxes, progress texts and guidance go to an OutputSink (plain lines or JSON).
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "app/protocol_trace.h"
#include "app/upgrade_dlg.h"
#include "app/upgrade_host.h"
#include "serial/serial_port.h"

namespace q7310::cli {

// Where the terminal host's output goes.
class OutputSink {
 public:
  virtual ~OutputSink() = default;
  virtual void Message(MessageKind kind, std::string_view text, std::string_view detail) = 0;
  virtual void ProgressTitle(std::string_view title) = 0;
  virtual void Progress(std::string_view text, int percent) = 0;
  // The share done changed without a new text (the operation's last step): a bar redraws.
  virtual void ProgressPercent(int /*percent*/) {}
  virtual void ProgressHidden() = 0;
  virtual void Stage(const Guidance& guidance) = 0;
  virtual void Event(ProtocolEvent event, std::string_view detail) = 0;
  virtual void BackupKept(std::string_view path, std::string_view error) = 0;
};

class TerminalHost : public IUpgradeHost, public IFrameReceiver {
 public:
  explicit TerminalHost(OutputSink& out) : m_out(out) {}
  void Attach(CUpgradeDlg& dlg) { m_dlg = &dlg; }
  // Received frames and protocol events also go to the trace, when one is given.
  void SetTrace(ProtocolTrace* trace) { m_trace = trace; }

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
  void OnProtocolEvent(ProtocolEvent event, std::string_view detail) override {
    if (m_trace) m_trace->OnEvent(event, detail);
    m_out.Event(event, detail);
  }

  // IFrameReceiver: called on the receive thread.
  void PostFrame(uint32_t status, std::vector<uint8_t> frame) override;

 private:
  using Clock = std::chrono::steady_clock;
  struct Timer {
    Clock::time_point deadline;
    std::chrono::milliseconds period;
  };
  struct QueuedFrame {
    uint32_t status;
    std::vector<uint8_t> bytes;
  };

  static std::atomic<bool> s_interrupted;

  OutputSink& m_out;
  CUpgradeDlg* m_dlg = nullptr;
  ProtocolTrace* m_trace = nullptr;
  std::map<unsigned, Timer> m_timers;
  int m_percent = -1;
  std::vector<MessageKind> m_messageKinds;

  std::mutex m_mutex;
  std::condition_variable m_wake;
  std::deque<QueuedFrame> m_frames;  // guarded by m_mutex
};

}  // namespace q7310::cli
