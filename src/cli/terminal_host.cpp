#include "cli/terminal_host.h"

#include "app/texts.h"
#include "cli/console.h"
#include "cli/shell_word.h"
#include "protocol/command_table.h"
#include "protocol/protocol.h"

namespace q7310::cli {
namespace {

// How often the loop looks at the Ctrl-C flag when nothing else wakes it.
constexpr auto kInterruptPoll = std::chrono::milliseconds(50);

// The data a frame carries beyond its command's fixed fields: an update block, a slot's bytes.
uint64_t DataBytes(std::span<const uint8_t> frame) {
  if (frame.size() < kOffCommand + sizeof(uint16_t)) return 0;
  const CommandRow* row = FindCommand(GetU16(frame, kOffCommand));
  if (row == nullptr || frame.size() <= row->fieldsSize) return 0;
  return frame.size() - row->fieldsSize;
}

}  // namespace

std::atomic<bool> TerminalHost::s_interrupted{false};

void TerminalHost::InstallInterruptHandler() {
  cli::InstallInterruptHandler([] { s_interrupted.store(true); });
}

void TerminalHost::SetTimer(unsigned id, unsigned periodMs) {
  const auto period = std::chrono::milliseconds(periodMs);
  m_timers[id] = Timer{Clock::now() + period, period};
}

void TerminalHost::ShowMessage(MessageKind kind, std::string_view text, std::string_view detail) {
  m_messageKinds.push_back(kind);
  m_out.Message(kind, text, detail);
}

void TerminalHost::ShowProgress(bool visible) {
  if (!visible) m_out.ProgressHidden();
}

std::vector<MessageKind> TerminalHost::TakeMessageKinds() {
  std::vector<MessageKind> kinds;
  kinds.swap(m_messageKinds);
  return kinds;
}

uint64_t TerminalHost::TakeDataBytes() {
  const uint64_t bytes = m_dataBytes;
  m_dataBytes = 0;
  return bytes;
}

void TerminalHost::Show(std::chrono::system_clock::time_point when,
                        const ProtocolTrace::Line& line) {
  m_out.Frame(ProtocolTrace::Timestamp(when), line.kind, line.text);
}

void TerminalHost::OnProtocolEvent(ProtocolEvent event, std::string_view detail) {
  if (m_trace) m_trace->OnEvent(event, detail);
  if (m_verbose) Show(std::chrono::system_clock::now(), ProtocolTrace::EventLine(event, detail));
  m_out.Event(event, detail);
}

std::string TerminalHost::HowToRestore(std::string_view path) {
  std::string command =
      m_restoreCommand.empty() ? std::string(texts::kCliProgram) : m_restoreCommand;
  return command + " " + std::string(texts::kCliRestoreFrom) + " " + ShellWord(path);
}

bool TerminalHost::ConfirmIncompleteBackup(std::string_view path, const SlotCoverage& coverage) {
  m_out.IncompleteBackup(path, coverage, IncompleteBackupText(path, coverage));
  if (!m_confirm || m_confirm()) return true;
  m_declined = true;
  return false;
}

void TerminalHost::OnTransmit(std::span<const uint8_t> frame, std::string_view error) {
  if (m_trace) m_trace->OnTransmit(frame, error);
  if (m_verbose) {
    Show(std::chrono::system_clock::now(), ProtocolTrace::TransmitLine(frame, error));
  }
  if (error.empty()) {
    const uint64_t bytes = DataBytes(frame);
    m_dataBytes += bytes;
    m_out.DataMoved(bytes);
  }
}

void TerminalHost::OnLineError(uint32_t bits) {
  if (m_trace) m_trace->OnLineError(bits);
  if (m_verbose) Queue({bits, {}, std::chrono::system_clock::now(), true});
}

void TerminalHost::PostFrame(uint32_t status, std::vector<uint8_t> frame) {
  if (m_trace) m_trace->OnReceived(status, frame);
  Queue({status, std::move(frame), std::chrono::system_clock::now(), false});
}

void TerminalHost::Queue(QueuedFrame frame) {
  {
    std::lock_guard lock(m_mutex);
    m_frames.push_back(std::move(frame));
  }
  m_wake.notify_one();
}

void TerminalHost::Deliver(const QueuedFrame& frame) {
  if (frame.lineError) {
    Show(frame.received, ProtocolTrace::LineErrorLine(frame.status));
    return;
  }
  if (m_verbose) Show(frame.received, ProtocolTrace::ReceiveLine(frame.status, frame.bytes));
  if (m_dlg->Mode() != CUpgradeDlg::kIdle) {
    const uint64_t bytes = DataBytes(frame.bytes);
    m_dataBytes += bytes;
    m_out.DataMoved(bytes);
  }
  m_dlg->OnFrameReceived(frame.status, frame.bytes);
}

void TerminalHost::DrainQueuedFrames() {
  for (;;) {
    QueuedFrame frame;
    {
      std::lock_guard lock(m_mutex);
      if (m_frames.empty()) return;
      frame = std::move(m_frames.front());
      m_frames.pop_front();
    }
    Deliver(frame);
  }
}

bool TerminalHost::RunUntilIdle() {
  while (m_dlg->Mode() != CUpgradeDlg::kIdle) {
    if (s_interrupted.exchange(false)) {
      m_dlg->OnCommCancel();
      return false;
    }
    // The earliest timer, if any, bounds the wait.
    auto wakeAt = Clock::now() + kInterruptPoll;
    auto due = m_timers.end();
    for (auto it = m_timers.begin(); it != m_timers.end(); ++it) {
      if (due == m_timers.end() || it->second.deadline < due->second.deadline) due = it;
    }
    if (due != m_timers.end() && due->second.deadline < wakeAt) wakeAt = due->second.deadline;

    QueuedFrame frame;
    bool haveFrame = false;
    {
      std::unique_lock lock(m_mutex);
      m_wake.wait_until(lock, wakeAt, [this] { return !m_frames.empty(); });
      if (!m_frames.empty()) {
        frame = std::move(m_frames.front());
        m_frames.pop_front();
        haveFrame = true;
      }
    }
    // A bar's running time moves on, also while frames come that change no progress text.
    m_out.Tick();
    if (haveFrame) {
      Deliver(frame);
      continue;
    }
    if (due != m_timers.end() && Clock::now() >= due->second.deadline) {
      const unsigned id = due->first;
      due->second.deadline += due->second.period;
      m_dlg->OnTimer(id);
    }
  }
  return true;
}

}  // namespace q7310::cli
