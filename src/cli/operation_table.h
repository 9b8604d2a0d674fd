// The guided operations of q7310, one row each. The table is the only list of them: the
// argument parser declares a subcommand per row, --help shows each row's help, and the run
// looks up what each named operation does.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "app/session.h"

namespace q7310 {
class CUpgradeDlg;
}

namespace q7310::cli {

// The options of the guided operations: the session's, and the terminal's own.
struct OperationOptions {
  SessionOptions session;
  bool keepFiles = false;
  bool yes = false;
  bool json = false;
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
  // Whether it writes into the working folder (BACKUP.BIN, UPDATE.BIN); the folder is then
  // checked for writing before the run starts.
  bool writesFolder;
  // Its --from option: the option's help, and where its value goes; no option when `fromHelp`
  // is empty.
  std::string_view fromHelp = {};
  std::string OperationOptions::*from = nullptr;
  // Starts the operation on the controller, which must be idle.
  void (*start)(CUpgradeDlg& controller, const OperationOptions& options) = nullptr;
};

// Every operation, in the order --help lists them.
std::span<const OperationRow> OperationTable();
// The row named `name`, or null when no operation has that name.
const OperationRow* FindOperation(std::string_view name);
// "backup | update | restore | verify".
std::string OperationNames();

}  // namespace q7310::cli
