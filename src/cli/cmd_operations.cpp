// q7310 [options] backup|update|restore ...: the guided operations from a terminal, run by the
// same controller as the desktop program.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/app_paths.h"
#include "app/file_checks.h"
#include "app/protocol_trace.h"
#include "app/texts.h"
#include "app/upgrade_dlg.h"
#include "app/work_folder.h"
#include "backup/settings_backup.h"
#include "cli/commands.h"
#include "cli/console.h"
#include "cli/output.h"
#include "cli/platform_help.h"
#include "cli/terminal_host.h"
#include "cli/usage.h"
#include "firmware/firmware_image.h"
#include "protocol/protocol.h"
#include "serial/serial_port.h"
#include "util/process_info.h"

namespace q7310::cli {
namespace {

// How often the wait for Enter looks at the Ctrl-C flag.
constexpr unsigned kEnterPollMs = 100;

enum class Operation { Backup, Update, Restore, Verify };

struct Operations {
  std::vector<std::pair<Operation, std::string>> order;
  bool writesFolder = false;  // backup writes BACKUP.BIN, update stages UPDATE.BIN
};

// Waits for Enter on a terminal; false when the operator pressed Ctrl-C or closed the input.
bool WaitForEnter(PlainOutput* plain) {
  if (plain) plain->Note("Press Enter to continue, Ctrl-C to stop.");
  for (;;) {
    if (TerminalHost::Interrupted()) return false;
    const LineWait wait = WaitForLine(kEnterPollMs);
    if (wait != LineWait::kNothing) return wait == LineWait::kLine;
  }
}

// The guidance stage whose instructions lead up to `op`; a verify has none of its own.
int StageOf(Operation op) {
  switch (op) {
    case Operation::Backup:
      return 1;
    case Operation::Update:
      return 2;
    case Operation::Restore:
      return 3;
    case Operation::Verify:
      break;
  }
  return -1;
}

// Before each operation the technician puts the unit into its mode: shows that operation's
// instructions, unless the guidance has just shown them (`shownStage`: the stage on screen,
// whose instructions were the last thing printed), and waits for Enter.
bool WaitToStart(Operation op, int shownStage, PlainOutput& plain) {
  const int stage = StageOf(op);
  if (stage < 0) {
    plain.Note(texts::kGuideVerify);
  } else if (stage != shownStage) {
    plain.Stage(CUpgradeDlg::GuidanceFor(stage));
  }
  return WaitForEnter(&plain);
}

int Run(const OperationOptions& options, const Operations& ops) {
  TerminalHost::InstallInterruptHandler();
  PlainOutput plain(stdout, stderr);
  JsonOutput json(stdout);
  OutputSink& out = options.json ? static_cast<OutputSink&>(json) : plain;

  CSerialPort serial;
  CSettingsBackup backup;
  CFirmwareImage image;
  TerminalHost host(out);
  const WorkingFolder working = ResolveWorkingFolder(options.dir);
  if (!working.error.empty()) {
    std::fprintf(stderr, "error: %s%s\n", std::string(texts::kNoWorkingFolder).c_str(),
                 working.error.c_str());
    return kExitFailed;
  }
  if (options.json) {
    json.WorkingFolder(working.path);
  } else {
    plain.Note(std::string(texts::kWorkingFolder) + working.path);
  }
  const std::string& folder = working.path;
  // Said before the folder is locked and the port opened, not after the amplifier has been read.
  if (const std::string problem = FolderProblem(folder, ops.writesFolder); !problem.empty()) {
    host.ShowMessage(MessageKind::Error, texts::kMsgFolderUnusable, problem);
    return kExitFailed;
  }
  if (!options.trace.empty() && IsProgramFile(folder, options.trace)) {
    std::fprintf(stderr, "error: %s\n",
                 FormatText(texts::kFmtTraceIsOwnFile, options.trace).c_str());
    return kExitFailed;
  }
  // Taken before the trace or the port is opened: a second program on this folder touches
  // nothing.
  FolderLock lock;
  std::string lockError;
  switch (ClaimWorkFolder(folder, lock, &lockError)) {
    case FolderLock::Result::kTaken:
      break;
    case FolderLock::Result::kBusy:
      std::fprintf(stderr, "error: %s\n", FormatText(texts::kFmtFolderInUse, folder).c_str());
      return kExitFailed;
    case FolderLock::Result::kFailed:
      std::fprintf(stderr, "warning: %s\n", lockError.c_str());
      break;
  }
  ProtocolTrace trace;
  if (!options.trace.empty()) {
    std::string error;
    if (!trace.Open(options.trace, "q7310", &error)) {
      std::fprintf(stderr, "error: cannot write the trace: %s\n", error.c_str());
      return kExitFailed;
    }
    host.SetTrace(&trace);
    serial.SetWireObserver(&trace);
  }
  CUpgradeDlg dlg(host, serial, backup, image, folder);
  dlg.SetReplyTimeoutMs(options.replyTimeoutMs);
  if (!options.device.empty()) serial.SetDevicePath(options.device);
  host.Attach(dlg);
  dlg.OnInitDialog(host, options.port);
  if (dlg.Stage() == 0) {
    dlg.OnDestroy(options.keepFiles);
    return kExitFailed;
  }

  const bool interactive = !options.yes && !options.json && IsTerminal(stdin);
  int exitCode = kExitOk;
  for (size_t i = 0; i < ops.order.size(); ++i) {
    const auto& [op, name] = ops.order[i];
    if (interactive && !WaitToStart(op, dlg.Stage(), plain)) {
      exitCode = kExitFailed;
      break;
    }
    host.DrainQueuedFrames();
    host.TakeMessageKinds();
    if (options.json) json.Operation(name);
    switch (op) {
      case Operation::Backup:
        dlg.OnBackup();
        break;
      case Operation::Update:
        dlg.OnUpdate();
        break;
      case Operation::Restore:
        if (options.restoreFrom.empty()) {
          dlg.OnRestore();
        } else {
          dlg.OnRestoreFrom(options.restoreFrom);
        }
        break;
      case Operation::Verify:
        // Against the file named, else the one this run restored, else BACKUP.BIN.
        if (!options.verifyFrom.empty()) {
          dlg.OnVerifyFrom(options.verifyFrom);
        } else if (!dlg.LastRestoreSource().empty()) {
          dlg.OnVerifyFrom(dlg.LastRestoreSource());
        } else {
          dlg.OnVerifyFrom(dlg.GetAppFilePath(texts::kBackupFile));
        }
        break;
    }
    bool ok = host.RunUntilIdle();
    if (!ok && !options.json) plain.Problem(texts::kCancelled);
    for (MessageKind kind : host.TakeMessageKinds()) ok = ok && kind != MessageKind::Error;
    if (options.json) json.Result(name, ok);
    if (!ok) {
      exitCode = kExitFailed;
      break;
    }
  }
  for (const std::string& path : dlg.OnDestroy(options.keepFiles)) {
    std::fprintf(stderr, "warning: could not delete %s\n", path.c_str());
  }
  return exitCode;
}

}  // namespace

void AddOperationCommands(CLI::App& app, OperationOptions& options) {
  app.add_option("--device", options.device,
                 "serial device to open instead of the port number's device");
  app.add_option("--port", options.port, help::kPortOption)->check(PortNumber());
  app.add_option("--dir", options.dir, help::kDirOption);
  app.add_flag("--keep-files", options.keepFiles,
               "keep BACKUP.BIN and UPDATE.BIN at exit (by default the ones this run wrote are "
               "deleted at exit, as the desktop program does; files that were there before are "
               "always kept)");
  app.add_option("--reply-timeout", options.replyTimeoutMs,
                 "reply timer period in ms (default 5000)")
      ->check(CLI::Range(1u, 3600000u));
  app.add_option("--trace", options.trace,
                 "write a timestamped line for every frame sent and received, every resend, "
                 "time-out, dropped frame and line error to the end of FILE (never one of the "
                 "program's own files)");
  app.add_flag("--yes", options.yes, "do not wait for Enter before each operation");
  app.add_flag("--json", options.json,
               "print one JSON object per line for each message, progress text, stage change "
               "and protocol event");

  const std::pair<const char*, const char*> names[] = {
      {"backup", "read the amplifier's nine settings slots and save them to BACKUP.BIN"},
      {"update", "send the firmware Q7310_v201.mot (staged as UPDATE.BIN)"},
      {"restore", "write BACKUP.BIN back into the amplifier"},
      {"verify",
       "read the settings back (amplifier in BACKUP mode, after a restore) and compare them slot "
       "by slot with the restored file; changes nothing"},
  };
  for (const auto& [name, help] : names) {
    CLI::App* sub = app.add_subcommand(name, help)->fallthrough();
    if (std::string_view(name) == "restore") {
      sub->add_option("--from", options.restoreFrom,
                      "restore from this file (for example a dated copy under backups/) instead "
                      "of BACKUP.BIN")
          ->check(CLI::ExistingFile);
    }
    if (std::string_view(name) == "verify") {
      sub->add_option("--from", options.verifyFrom,
                      "compare with this file (for example a dated copy under backups/) instead "
                      "of the file restored in this run or BACKUP.BIN")
          ->check(CLI::ExistingFile);
    }
  }
}

int RunOperations(CLI::App& app, const OperationOptions& options) {
  Operations ops;
  for (const CLI::App* sub : app.get_subcommands()) {
    const std::string& name = sub->get_name();
    if (name == "backup") ops.order.push_back({Operation::Backup, name});
    if (name == "update") ops.order.push_back({Operation::Update, name});
    ops.writesFolder = ops.writesFolder || name == "backup" || name == "update";
    if (name == "restore") ops.order.push_back({Operation::Restore, name});
    if (name == "verify") ops.order.push_back({Operation::Verify, name});
  }
  return Run(options, ops);
}

}  // namespace q7310::cli
