// The guided operations of q7310, one row each. The table is the only list of them: the
// argument parser declares a subcommand per row, --help shows each row's help, and the run
// looks up what each named operation does.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/session.h"
#include "cli/output_sink.h"

namespace q7310 {
class CUpgradeDlg;
}

namespace q7310::cli {

// How every command of q7310 reports.
struct ReportOptions {
  bool json = false;     // JSON lines instead of lines for people
  bool quiet = false;    // only warnings, errors and results
  bool verbose = false;  // a trace line per frame as well
};

// The options of the guided operations: the session's, and the terminal's own.
struct OperationOptions {
  SessionOptions session;
  std::string port;  // --port as given (a number, COMn or a device); empty when not given
  bool keepFiles = false;
  bool yes = false;
  ReportOptions report;
  std::string restoreFrom;  // restore from this file instead of BACKUP.BIN
  std::string verifyFrom;   // verify against this file instead of what the restore sent
};

inline constexpr int kNoStage = -1;

struct OperationRow {
  std::string_view name;  // the subcommand: backup, update, restore, verify
  std::string_view help;  // its line in --help
  // The guidance stage whose instructions lead up to the operation; kNoStage for none of its
  // own (the technician is then shown texts::kGuideVerify).
  int stage;
  // The terminal's line in place of the stage's last one (a click on a button): what the
  // display reads when the unit is ready.
  std::string_view readyLine = {};
  // Whether it writes into the working folder (BACKUP.BIN, UPDATE.BIN); the folder is then
  // checked for writing before the run starts.
  bool writesFolder;
  // Its --from option: the option's help, and where its value goes; no option when `fromHelp`
  // is empty.
  std::string_view fromHelp = {};
  std::string OperationOptions::*from = nullptr;
  // Starts the operation on the controller, which must be idle.
  void (*start)(CUpgradeDlg& controller, const OperationOptions& options) = nullptr;
  // After a successful run: what it moved, for its closing line (`dataBytes`: the data bytes
  // the line carried).
  void (*count)(Session& session, const CUpgradeDlg& controller, uint64_t dataBytes,
                OperationSummary& summary) = nullptr;
  // Whether its share done counts bytes (an update, a restore), so that it tells the time left;
  // backup and verify count slots, of very different sizes.
  bool shareCountsBytes = true;
  // Where the share counts slots: the data bytes the operation will move, when they are known
  // beforehand (a verify reads what the file holds); null when they are not (a backup).
  uint64_t (*expect)(const CUpgradeDlg& controller, const OperationOptions& options) = nullptr;
};

// Every operation, in the order --help lists them.
std::span<const OperationRow> OperationTable();
// The row named `name`, or null when no operation has that name.
const OperationRow* FindOperation(std::string_view name);
// "backup | update | restore | verify".
std::string OperationNames();
// What the terminal shows before `operation` while it waits for Enter: the stage's steps as the
// desktop shows them, the display to wait for in place of the click on a button, then
// texts::kCliPressEnter.
std::vector<std::string> TerminalInstructions(const OperationRow& operation);

}  // namespace q7310::cli
