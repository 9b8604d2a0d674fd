// Where the command-line tool's output goes: lines for people (PlainOutput) or JSON lines for
// programs (JsonOutput). The controller's host passes on what the controller shows (messages,
// progress, guidance, events); the run adds its own lines (the folder, the port, instructions,
// each operation's start and closing line, frames in verbose mode, warnings and refusals).
//
// Every call on the controller's thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/port_choice.h"
#include "app/settings_notes.h"
#include "app/upgrade_host.h"
#include "backup/backup_file_info.h"

namespace q7310::cli {

// How an operation ended, and what it moved, for its closing line.
struct OperationSummary {
  enum class Outcome { kDone, kFailed, kCancelled };
  std::string_view name;  // backup, update, restore, verify
  Outcome outcome = Outcome::kDone;
  int slots = -1;      // slot records read, written or compared; -1: not counted
  int blocks = -1;     // image blocks sent; -1: not counted
  int64_t bytes = -1;  // bytes of the file written, sent or restored; -1: not counted
  double seconds = 0;
};

class OutputSink {
 public:
  virtual ~OutputSink() = default;

  // What the controller shows (IUpgradeHost).
  virtual void Message(MessageKind kind, std::string_view text, std::string_view detail) = 0;
  virtual void ProgressTitle(std::string_view title) = 0;
  virtual void Progress(std::string_view text, int percent) = 0;
  // The share done changed without a new text (the operation's last step): a bar redraws.
  virtual void ProgressPercent(int /*percent*/) {}
  virtual void ProgressHidden() = 0;
  virtual void Stage(const Guidance& guidance) = 0;
  virtual void Event(ProtocolEvent event, std::string_view detail) = 0;
  // A request sent again, said as it happens.
  virtual void Resend(const ResendNotice& notice) = 0;
  virtual void BackupKept(std::string_view path, std::string_view error) = 0;

  // The run's own lines.
  virtual void WorkingFolder(std::string_view path) = 0;
  virtual void PortChosen(const PortChoice& choice) = 0;
  // The steps before an operation, ending with what to do in the terminal; shown only when the
  // run waits for Enter.
  virtual void Instructions(const std::vector<std::string>& lines) = 0;
  virtual void OperationStarted(std::string_view name) = 0;
  // Data bytes moved on the line by the running operation, for its rate. For an operation whose
  // share done counts slots, not bytes: how many it will move in all (0: not known), for the
  // time left.
  virtual void DataMoved(uint64_t bytes) = 0;
  virtual void DataExpected(uint64_t /*bytes*/) {}
  virtual void OperationEnded(const OperationSummary& summary) = 0;
  // A trace line (timestamp, kind, text) in verbose mode: "2026-12-07T10:48:17.412305",
  // "TX", "CMD_READ_SLOT length=10 slot=1 | 30 00 …".
  virtual void Frame(std::string_view time, std::string_view kind, std::string_view text) = 0;
  virtual void Warning(std::string_view text) = 0;
  // A refusal of the run's own, before or instead of an operation: "error: <text>" with the
  // detail below; in JSON, followed by the result object of `name` ("run", "usage", …).
  virtual void Refusal(std::string_view name, std::string_view text, std::string_view detail) = 0;
  // The outcome of one operation (JSON's result object; people read the closing line).
  virtual void Result(std::string_view name, bool ok) = 0;
  // Ctrl-C, SIGTERM or SIGHUP ended the run as Cancel does ("Cancelled." on standard error, where
  // it stays on the screen when standard output goes to a log; JSON says it by its results).
  virtual void Cancelled() {}
  // Before a restore sends anything: the file lacks or repeats some of the slots 0 to 8 (`text`
  // says which, as IncompleteBackupText does). A warning; JSON lists the slots.
  virtual void IncompleteBackup(std::string_view path, const SlotCoverage& coverage,
                                std::string_view text) = 0;
  // The end of the run: this run's BACKUP.BIN was kept because no dated copy holds it.
  virtual void BackupBinKept(const KeptBackup& kept) = 0;
  // The end of a run whose update or restore did not succeed after a backup: where that backup's
  // settings are and how to restore them. On standard error, whatever -q says.
  virtual void SettingsToRestore(const SettingsNote& note) = 0;
  // Called while an operation waits (several times a second): a bar's running time moves on.
  virtual void Tick() {}
};

}  // namespace q7310::cli
