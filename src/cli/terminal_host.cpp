#include "cli/terminal_host.h"

#include "cli/console.h"

namespace q7310::cli {
namespace {

// How often the loop looks at the Ctrl-C flag when nothing else wakes it.
constexpr auto kInterruptPoll = std::chrono::milliseconds(50);

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

void TerminalHost::PostFrame(uint32_t status, std::vector<uint8_t> frame) {
  if (m_trace) m_trace->OnReceived(status, frame);
  {
    std::lock_guard lock(m_mutex);
    m_frames.push_back({status, std::move(frame)});
  }
  m_wake.notify_one();
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
    m_dlg->OnFrameReceived(frame.status, frame.bytes);
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
    if (haveFrame) {
      m_dlg->OnFrameReceived(frame.status, frame.bytes);
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
