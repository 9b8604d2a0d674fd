// q7310 [options] backup|update|restore ...: the guided operations from a terminal, run by the
// same controller as the desktop program.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/session.h"
#include "app/texts.h"
#include "app/upgrade_dlg.h"
#include "cli/commands.h"
#include "cli/console.h"
#include "cli/output.h"
#include "cli/platform_help.h"
#include "cli/terminal_host.h"
#include "cli/usage.h"
#include "util/process_info.h"

namespace q7310::cli {
namespace {

// How often the wait for Enter looks at the Ctrl-C flag.
constexpr unsigned kEnterPollMs = 100;

// Waits for Enter on a terminal; false when the operator pressed Ctrl-C or closed the input.
bool WaitForEnter(PlainOutput* plain) {
  if (plain) plain->Note("Press Enter to continue, Ctrl-C to stop.");
  for (;;) {
    if (TerminalHost::Interrupted()) return false;
    const LineWait wait = WaitForLine(kEnterPollMs);
    if (wait != LineWait::kNothing) return wait == LineWait::kLine;
  }
}

// Before each operation the technician puts the unit into its mode: shows that operation's
// instructions, unless the guidance has just shown them (`shownStage`: the stage on screen,
// whose instructions were the last thing printed), and waits for Enter.
bool WaitToStart(const OperationRow& operation, int shownStage, PlainOutput& plain) {
  const int stage = operation.stage;
  if (stage == kNoStage) {
    plain.Note(texts::kGuideVerify);
  } else if (stage != shownStage) {
    plain.Stage(CUpgradeDlg::GuidanceFor(stage));
  }
  return WaitForEnter(&plain);
}

// Ctrl-C, SIGTERM or SIGHUP (a console's close on Windows) since the last look: said once, as
// Cancel is.
bool Cancelled(const OperationOptions& options, PlainOutput& plain) {
  if (!TerminalHost::TakeInterrupt()) return false;
  if (!options.json) plain.Problem(texts::kCancelled);
  return true;
}

// The operations in one session. An interrupt at any point ends the run as Cancel does: the
// operation under way stops (a firmware load included, before anything is sent), no further one
// starts, and the end-of-run rules (the files this run wrote are deleted) still apply.
int RunInSession(const std::vector<const OperationRow*>& operations,
                 const OperationOptions& options) {
  PlainOutput plain(stdout, stderr);
  JsonOutput json(stdout);
  OutputSink& out = options.json ? static_cast<OutputSink&>(json) : plain;
  TerminalHost host(out);

  SessionOptions sessionOptions = options.session;
  sessionOptions.writesFolder = false;
  for (const OperationRow* operation : operations) {
    sessionOptions.writesFolder = sessionOptions.writesFolder || operation->writesFolder;
  }
  Session session(sessionOptions, "q7310");
  if (const SessionStatus chosen = session.ChooseFolder(); !chosen.Ok()) {
    std::fprintf(stderr, "error: %s\n", chosen.text.c_str());
    return kExitFailed;
  }
  if (options.json) {
    json.WorkingFolder(session.Folder());
  } else {
    plain.Note(std::string(texts::kWorkingFolder) + session.Folder());
  }
  const SessionStatus opened = session.Open();
  if (!opened.warning.empty()) std::fprintf(stderr, "warning: %s\n", opened.warning.c_str());
  if (opened.problem == SessionProblem::kFolderUnusable) {
    host.ShowMessage(MessageKind::Error, opened.text, opened.detail);
    return kExitFailed;
  }
  if (!opened.Ok()) {
    std::fprintf(stderr, "error: %s\n", opened.text.c_str());
    return kExitFailed;
  }
  if (Cancelled(options, plain)) return kExitFailed;
  host.SetTrace(session.Trace());
  session.Image().SetStopFlag(&TerminalHost::InterruptFlag());
  const std::unique_ptr<CUpgradeDlg> controller = session.MakeController(host);
  CUpgradeDlg& dlg = *controller;
  host.Attach(dlg);
  dlg.OnInitDialog(host, session.PortNo());
  if (dlg.Stage() == kStageError) {
    dlg.OnDestroy(options.keepFiles);
    return kExitFailed;
  }

  const bool interactive = !options.yes && !options.json && IsTerminal(stdin);
  int exitCode = kExitOk;
  for (const OperationRow* operation : operations) {
    if (interactive && !WaitToStart(*operation, dlg.Stage(), plain)) {
      // Ctrl-C, or the input closed: either way the operator did not say go.
      TerminalHost::TakeInterrupt();
      plain.Problem(texts::kCancelled);
      exitCode = kExitFailed;
      break;
    }
    if (Cancelled(options, plain)) {
      exitCode = kExitFailed;
      break;
    }
    host.DrainQueuedFrames();
    host.TakeMessageKinds();
    if (options.json) json.Operation(operation->name);
    operation->start(dlg, options);
    bool ok = host.RunUntilIdle();
    if (!ok && !options.json) plain.Problem(texts::kCancelled);
    // An interrupt while the operation started (a firmware load) ended it before it sent
    // anything.
    if (ok && Cancelled(options, plain)) ok = false;
    for (MessageKind kind : host.TakeMessageKinds()) ok = ok && kind != MessageKind::Error;
    if (options.json) json.Result(operation->name, ok);
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
  SessionOptions& session = options.session;
  app.add_option("--device", session.device, std::string(texts::kHelpDevice));
  app.add_option("--port", session.portNo, help::kPortOption)->check(PortNumber());
  app.add_option("--dir", session.dir, std::string(texts::kHelpDir));
  app.add_flag("--keep-files", options.keepFiles,
               "keep BACKUP.BIN and UPDATE.BIN at exit (by default the ones this run wrote are "
               "deleted at exit, as the desktop program does; files that were there before are "
               "always kept)");
  app.add_option("--reply-timeout", session.replyTimeoutMs,
                 "reply timer period in ms (default 5000)")
      ->check(CLI::Range(1u, 3600000u));
  app.add_option("--trace", session.trace, std::string(texts::kHelpTrace));
  app.add_flag("--yes", options.yes, "do not wait for Enter before each operation");
  app.add_flag("--json", options.json,
               "print one JSON object per line for each message, progress text, stage change "
               "and protocol event");

  for (const OperationRow& operation : OperationTable()) {
    CLI::App* sub =
        app.add_subcommand(std::string(operation.name), std::string(operation.help))->fallthrough();
    if (!operation.fromHelp.empty()) {
      sub->add_option("--from", options.*operation.from, std::string(operation.fromHelp))
          ->check(CLI::ExistingFile);
    }
  }
}

std::vector<const OperationRow*> ParsedOperations(const CLI::App& app) {
  std::vector<const OperationRow*> operations;
  for (const CLI::App* sub : app.get_subcommands()) {
    if (const OperationRow* operation = FindOperation(sub->get_name())) {
      operations.push_back(operation);
    }
  }
  return operations;
}

int RunOperations(const std::vector<const OperationRow*>& operations,
                  const OperationOptions& options) {
  TerminalHost::InstallInterruptHandler();
  const int exitCode = RunInSession(operations, options);
  InterruptHandled();
  return exitCode;
}

}  // namespace q7310::cli
