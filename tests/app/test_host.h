// A host for the controller with a virtual clock: timers fire when the test advances time, and
// every message, progress text and guidance stage is recorded.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "app/upgrade_dlg.h"
#include "app/upgrade_host.h"
#include "serial/serial_port.h"

namespace q7310::testing {

class TestHost : public IUpgradeHost, public IFrameReceiver {
 public:
  struct Message {
    MessageKind kind;
    std::string text;
    std::string detail;
  };

  void Attach(CUpgradeDlg& dlg) { m_dlg = &dlg; }

  // Moves the virtual clock on, firing every timer that falls due, in time order.
  void Advance(uint64_t ms);
  uint64_t Now() const { return m_now; }
  bool TimerRunning(unsigned id) const { return m_timers.count(id) != 0; }
  uint64_t TimerDeadline(unsigned id) const { return m_timers.at(id).deadline; }

  void SetTimer(unsigned id, unsigned periodMs) override;
  void KillTimer(unsigned id) override { m_timers.erase(id); }
  void ShowMessage(MessageKind kind, std::string_view text, std::string_view detail) override {
    messages.push_back({kind, std::string(text), std::string(detail)});
  }
  void SetProgressTitle(std::string_view title) override { progressTitle = title; }
  void SetProgressMessage(std::string_view text) override { progressTexts.emplace_back(text); }
  void SetProgressPercent(int percent) override { percents.push_back(percent); }
  void ShowProgress(bool visible) override { progressVisible = visible; }
  void ApplyGuidance(const Guidance& g) override { guidance.push_back(g); }
  int RunSettingDialog(int portNo, int /*baudRate*/) override {
    ++settingDialogRuns;
    return nextPortChoice.value_or(portNo);
  }

  void OnResend(const ResendNotice& notice) override { resends.push_back(notice); }

  // A front end's way to restore a file: "restore <path>", so that tests see which file.
  std::string HowToRestore(std::string_view path) override {
    return "restore " + std::string(path);
  }
  void OnSettingsToRestore(const SettingsNote& note, bool failed) override {
    // Recorded with the number of messages shown before it: a failure's follows it at once.
    settingsNotes.push_back({note, failed, messages.size()});
  }
  bool ConfirmIncompleteBackup(std::string_view path, const SlotCoverage& coverage) override {
    incompleteAsked.push_back({std::string(path), coverage});
    return confirmIncomplete;
  }

  // Frames from the serial link's receive thread are not used: the tests hand replies to the
  // controller directly, as the front end's queue would.
  void PostFrame(uint32_t, std::vector<uint8_t>) override {}

  struct NoteTold {
    SettingsNote note;
    bool failed;
    size_t messagesBefore;
  };
  struct IncompleteAsked {
    std::string path;
    SlotCoverage coverage;
  };
  std::vector<NoteTold> settingsNotes;
  std::vector<IncompleteAsked> incompleteAsked;
  bool confirmIncomplete = true;

  std::vector<Message> messages;
  std::vector<std::string> progressTexts;
  std::vector<int> percents;
  std::vector<Guidance> guidance;
  std::vector<ResendNotice> resends;
  std::string progressTitle;
  bool progressVisible = false;
  int settingDialogRuns = 0;
  std::optional<int> nextPortChoice;

 private:
  struct Timer {
    uint64_t deadline;
    unsigned period;
  };
  CUpgradeDlg* m_dlg = nullptr;
  uint64_t m_now = 0;
  std::map<unsigned, Timer> m_timers;
};

inline void TestHost::SetTimer(unsigned id, unsigned periodMs) {
  m_timers[id] = Timer{m_now + periodMs, periodMs};
}

inline void TestHost::Advance(uint64_t ms) {
  const uint64_t end = m_now + ms;
  for (;;) {
    auto due = m_timers.end();
    for (auto it = m_timers.begin(); it != m_timers.end(); ++it) {
      if (it->second.deadline <= end &&
          (due == m_timers.end() || it->second.deadline < due->second.deadline))
        due = it;
    }
    if (due == m_timers.end()) break;
    m_now = due->second.deadline;
    due->second.deadline += due->second.period;
    m_dlg->OnTimer(due->first);
  }
  m_now = end;
}

}  // namespace q7310::testing
