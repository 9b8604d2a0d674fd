#include "cli/operation_table.h"

#include <array>

#include "app/texts.h"
#include "app/upgrade_dlg.h"
#include "backup/backup_file_info.h"
#include "backup/slot_record.h"
#include "cli/output_text.h"
#include "firmware/firmware_image.h"

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

// The file a verify compares with: the one named, else the controller's choice (the file this
// run restored, else BACKUP.BIN).
std::string VerifySource(const CUpgradeDlg& controller, const OperationOptions& options) {
  return options.verifyFrom.empty() ? controller.VerifySource() : options.verifyFrom;
}

void StartVerify(CUpgradeDlg& controller, const OperationOptions& options) {
  controller.OnVerifyFrom(VerifySource(controller, options));
}

// The slot data a verify reads back when the amplifier holds what the file holds: the slots
// are read by number, so that their sizes, not their count, tell the time left.
uint64_t ExpectVerify(const CUpgradeDlg& controller, const OperationOptions& options) {
  uint64_t bytes = 0;
  for (const SlotRecordInfo& record :
       InspectBackupFile(VerifySource(controller, options)).records) {
    bytes += record.length;
  }
  return bytes;
}

void CountBackup(Session& session, const CUpgradeDlg&, uint64_t, OperationSummary& summary) {
  summary.slots = kSlotCount;
  summary.bytes = session.Backup().ConvertedLength();
}

void CountUpdate(Session& session, const CUpgradeDlg&, uint64_t, OperationSummary& summary) {
  const uint32_t size = session.Image().GetImageSize();
  summary.blocks = static_cast<int>(CFirmwareImage::BlockCount(size));
  summary.bytes = size;
}

void CountRestore(Session& session, const CUpgradeDlg&, uint64_t, OperationSummary& summary) {
  const CSettingsBackup& store = session.Backup();
  summary.slots =
      static_cast<int>(InspectBackupBytes({store.Records(), store.RecordsEnd()}).records.size());
  summary.bytes = store.RecordsEnd();
}

// A verify keeps what it read inside the controller: the bytes are the slot data the line
// carried, each slot with its record header, as the file compared with counts them.
void CountVerify(Session&, const CUpgradeDlg& controller, uint64_t dataBytes,
                 OperationSummary& summary) {
  summary.slots = static_cast<int>(controller.LastComparison().slotsCompared);
  summary.bytes = static_cast<int64_t>(dataBytes) + summary.slots * slot_record::kHeaderSize;
}

constexpr std::array kOperations = {
    OperationRow{
        .name = "backup",
        .help = "read the amplifier's nine settings slots and save them to BACKUP.BIN",
        .stage = kStageBackup,
        .readyLine = texts::kCliReadyForBackup,
        .writesFolder = true,
        .start = StartBackup,
        .count = CountBackup,
        .shareCountsBytes = false,
    },
    OperationRow{
        .name = "update",
        .help = "send the firmware Q7310_v201.mot (staged as UPDATE.BIN)",
        .stage = kStageUpdate,
        .readyLine = texts::kCliReadyForUpdate,
        .writesFolder = true,
        .start = StartUpdate,
        .count = CountUpdate,
    },
    OperationRow{
        .name = "restore",
        .help = "write BACKUP.BIN back into the amplifier",
        .stage = kStageRestore,
        .readyLine = texts::kCliReadyForBackup,
        .writesFolder = false,
        .fromHelp = "restore from this file (for example a dated copy under backups/) instead of "
                    "BACKUP.BIN",
        .from = &OperationOptions::restoreFrom,
        .start = StartRestore,
        .count = CountRestore,
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
        .count = CountVerify,
        .shareCountsBytes = false,
        .expect = ExpectVerify,
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

std::vector<std::string> TerminalInstructions(const OperationRow& operation) {
  std::vector<std::string> lines;
  if (operation.stage == kNoStage) {
    lines.emplace_back(texts::kGuideVerify);
  } else {
    lines = GuidanceLines(CUpgradeDlg::GuidanceFor(operation.stage).instructions);
    lines.back() = operation.readyLine;
  }
  lines.emplace_back(texts::kCliPressEnter);
  return lines;
}

}  // namespace q7310::cli
