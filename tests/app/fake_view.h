// A view for the presenter's tests: it records every call, answers the questions and dialogs as
// the test scripts them, and keeps the timers and the queued frames for the test to look at.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/remembered_port.h"
#include "app/upgrade_view.h"

namespace q7310::testing {

class FakeView : public IUpgradeView {
 public:
  // A question as the view was asked it (the caption copied: the view holds no texts).
  struct Asked {
    std::string caption;
    std::string text;
    std::string detail;
    bool noIsDefault;
  };
  struct Shown {
    std::string caption;
    std::string text;
    std::string detail;
    bool error;
    std::string offer;
  };

  void ShowStage(const StageView& view) override { stages.push_back(view); }
  void ShowInstructions(std::string_view lines) override { instructions.emplace_back(lines); }
  void ShowStatus(const StatusLine& line) override { statusLines.push_back(line); }
  bool ShowMessage(const MessageBoxView& box) override {
    messages.push_back(
        {std::string(box.caption), box.text, box.detail, box.error, std::string(box.offer)});
    return !box.offer.empty() && pressOffer;
  }
  bool Ask(const Question& question) override {
    questions.push_back(
        {std::string(question.caption), question.text, question.detail, question.noIsDefault});
    if (answers.empty()) return false;
    const bool yes = answers.front();
    answers.pop_front();
    return yes;
  }
  std::string ChooseFile(const FileRequest& request) override {
    fileRequests.push_back(request);
    return chosenFile;
  }
  int RunSettingDialog(const PortSettingView& setting) override {
    settings.push_back(setting);
    return portChoice.value_or(setting.portNo);
  }
  void SetProgressTitle(std::string_view title) override { progressTitle = title; }
  void SetProgressMessage(std::string_view text) override { progressTexts.emplace_back(text); }
  void SetProgressPercent(int percent) override { percents.push_back(percent); }
  void ShowProgress(bool visible) override { progressVisible = visible; }
  void SetTimer(unsigned id, unsigned periodMs) override { timers[id] = periodMs; }
  void KillTimer(unsigned id) override { timers.erase(id); }
  void QueueFrame(uint32_t status, std::vector<uint8_t> frame) override {
    std::lock_guard lock(queueMutex);
    queued.emplace_back(status, std::move(frame));
  }

  const StageView& Stage() const { return stages.back(); }
  size_t QueuedCount() {
    std::lock_guard lock(queueMutex);
    return queued.size();
  }

  // Script.
  std::deque<bool> answers;  // the answers to the next questions; No when none is left
  bool pressOffer = false;   // a box's offered button is pressed
  std::string chosenFile;    // what the file dialog hands back
  std::optional<int> portChoice;
  // Record.
  std::vector<StageView> stages;
  std::vector<std::string> instructions;
  std::vector<StatusLine> statusLines;
  std::vector<Shown> messages;
  std::vector<Asked> questions;
  std::vector<FileRequest> fileRequests;
  std::vector<PortSettingView> settings;
  std::string progressTitle;
  std::vector<std::string> progressTexts;
  std::vector<int> percents;
  bool progressVisible = false;
  std::map<unsigned, unsigned> timers;  // running: id -> period
  std::mutex queueMutex;
  std::vector<std::pair<uint32_t, std::vector<uint8_t>>> queued;  // guarded by queueMutex
};

// A port memory in a variable.
class FakePortMemory : public IPortMemory {
 public:
  RememberedPort Load() const override { return stored; }
  void Save(const RememberedPort& port) override {
    stored = port;
    ++saves;
  }
  RememberedPort stored;
  int saves = 0;
};

}  // namespace q7310::testing
