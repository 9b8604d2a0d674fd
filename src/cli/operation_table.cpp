#include "cli/operation_table.h"

#include <array>

#include "app/upgrade_dlg.h"

namespace q7310::cli {
namespace {

void StartBackup(CUpgradeDlg& controller, const OperationOptions&) {
  controller.OnBackup();
}

void StartUpdate(CUpgradeDlg& controller, const OperationOptions&) {
  controller.OnUpdate();
}

void StartRestore(CUpgradeDlg& controller, const OperationOptions& options) {
  if (options.restoreFrom.empty()) {
    controller.OnRestore();
  } else {
    controller.OnRestoreFrom(options.restoreFrom);
  }
}

// Against the file named, else the controller's choice (the file this run restored, else
// BACKUP.BIN).
void StartVerify(CUpgradeDlg& controller, const OperationOptions& options) {
  controller.OnVerifyFrom(options.verifyFrom.empty() ? controller.VerifySource()
                                                     : options.verifyFrom);
}

constexpr std::array kOperations = {
    OperationRow{
        .name = "backup",
        .help = "read the amplifier's nine settings slots and save them to BACKUP.BIN",
        .stage = kStageBackup,
        .writesFolder = true,
        .start = StartBackup,
    },
    OperationRow{
        .name = "update",
        .help = "send the firmware Q7310_v201.mot (staged as UPDATE.BIN)",
        .stage = kStageUpdate,
        .writesFolder = true,
        .start = StartUpdate,
    },
    OperationRow{
        .name = "restore",
        .help = "write BACKUP.BIN back into the amplifier",
        .stage = kStageRestore,
        .writesFolder = false,
        .fromHelp = "restore from this file (for example a dated copy under backups/) instead of "
                    "BACKUP.BIN",
        .from = &OperationOptions::restoreFrom,
        .start = StartRestore,
    },
    OperationRow{
        .name = "verify",
        .help = "read the settings back (amplifier in BACKUP mode, after a restore) and compare "
                "them slot by slot with the restored file; changes nothing",
        .stage = kNoStage,
        .writesFolder = false,
        .fromHelp = "compare with this file (for example a dated copy under backups/) instead of "
                    "the file restored in this run or BACKUP.BIN",
        .from = &OperationOptions::verifyFrom,
        .start = StartVerify,
    },
};

}  // namespace

std::span<const OperationRow> OperationTable() {
  return kOperations;
}

const OperationRow* FindOperation(std::string_view name) {
  for (const OperationRow& row : kOperations) {
    if (row.name == name) return &row;
  }
  return nullptr;
}

std::string OperationNames() {
  std::string names;
  for (const OperationRow& row : kOperations) {
    if (!names.empty()) names += " | ";
    names += row.name;
  }
  return names;
}

}  // namespace q7310::cli
