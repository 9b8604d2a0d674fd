// q7310 [options] backup|update|restore|verify ...: the guided operations from a terminal, run by
// the same controller as the desktop program.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/adapter_latency.h"
#include "app/session.h"
#include "app/texts.h"
#include "app/upgrade_dlg.h"
#include "cli/commands.h"
#include "cli/console.h"
#include "cli/json_output.h"
#include "cli/plain_output.h"
#include "cli/platform_help.h"
#include "cli/port_request.h"
#include "cli/port_table.h"
#include "cli/shell_word.h"
#include "cli/terminal_host.h"
#include "cli/usage.h"
#include "util/process_info.h"

namespace q7310::cli {
namespace {

// How often the wait for Enter looks at the Ctrl-C flag.
constexpr unsigned kEnterPollMs = 100;
// The name of a refusal that stops the run before its first operation.
constexpr std::string_view kRunName = "run";
constexpr std::string_view kUsageName = "usage";

// Waits for Enter on a terminal; false when the operator pressed Ctrl-C or closed the input.
bool WaitForEnter() {
  for (;;) {
    if (TerminalHost::Interrupted()) return false;
    const LineWait wait = WaitForLine(kEnterPollMs);
    if (wait != LineWait::kNothing) return wait == LineWait::kLine;
  }
}

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The command that restores a saved file, up to its operation: the port and the working folder
// as this run was told them (a port found by the tool is found again), so that it can be typed or
// pasted as it stands and runs in the same folder, under the same lock.
std::string RestoreCommand(const OperationOptions& options) {
  std::string command(texts::kCliProgram);
  if (!options.port.empty()) {
    command += " --port " + ShellWord(options.port);
  } else if (!options.session.device.empty()) {
    command += " --device " + ShellWord(options.session.device);
  }
  if (!options.session.dir.empty()) command += " --dir " + ShellWord(options.session.dir);
  return command;
}

// The whole run once the port is chosen: the session, then each operation in turn.
class OperationRun {
 public:
  OperationRun(const OperationOptions& options, OutputSink& out, const PortChoice& port)
      : m_options(options), m_out(out), m_port(port), m_host(out) {
    m_host.SetRestoreCommand(RestoreCommand(options));
  }

  int Run(const std::vector<const OperationRow*>& operations);

 private:
  // Starts the session; false (the refusal said) when it cannot start.
  bool Start(const std::vector<const OperationRow*>& operations);
  // Runs one operation; whether it succeeded.
  bool RunOperation(const OperationRow& operation);
  // Ctrl-C, SIGTERM or SIGHUP (a console's close on Windows) since the last look: said once.
  bool Interrupted();
  // The run's last lines: files not deleted, a BACKUP.BIN kept, where the settings are.
  void End();
  void WarnOfLatency();

  const OperationOptions& m_options;
  OutputSink& m_out;
  const PortChoice& m_port;
  TerminalHost m_host;
  std::unique_ptr<Session> m_session;
  std::unique_ptr<CUpgradeDlg> m_controller;
  bool m_latencyWarned = false;
};

bool OperationRun::Start(const std::vector<const OperationRow*>& operations) {
  SessionOptions sessionOptions = m_options.session;
  sessionOptions.device = m_port.port.device;
  sessionOptions.portNo = m_port.port.portNo > 0 ? m_port.port.portNo : kDefaultPortNo;
  sessionOptions.writesFolder = false;
  for (const OperationRow* operation : operations) {
    sessionOptions.writesFolder = sessionOptions.writesFolder || operation->writesFolder;
  }
  m_session = std::make_unique<Session>(sessionOptions, "q7310");
  if (const SessionStatus chosen = m_session->ChooseFolder(); !chosen.Ok()) {
    m_out.Refusal(kRunName, chosen.text, {});
    return false;
  }
  m_out.WorkingFolder(m_session->Folder());
  const SessionStatus opened = m_session->Open();
  if (!opened.warning.empty()) m_out.Warning(opened.warning);
  if (opened.problem == SessionProblem::kFolderUnusable) {
    m_host.ShowMessage(MessageKind::Error, opened.text, opened.detail);
    m_out.Result(kRunName, false);
    return false;
  }
  if (!opened.Ok()) {
    m_out.Refusal(kRunName, opened.text, {});
    return false;
  }
  if (Interrupted()) {
    m_out.Result(kRunName, false);
    return false;
  }
  // Said once the folder is this run's: a refused run says nothing of a port it never opens.
  m_out.PortChosen(m_port);
  m_host.SetTrace(m_session->Trace());
  m_session->Image().SetStopFlag(&TerminalHost::InterruptFlag());
  m_host.SetVerbose(m_options.report.verbose);
  // The host passes each frame sent on to the trace.
  m_session->Serial().SetWireObserver(&m_host);
  m_controller = m_session->MakeController(m_host);
  m_host.Attach(*m_controller);
  m_controller->OnInitDialog(m_host, m_session->PortNo());
  if (m_controller->Stage() == kStageError) {
    m_out.Result(kRunName, false);
    return false;
  }
  return true;
}

bool OperationRun::Interrupted() {
  if (!TerminalHost::TakeInterrupt()) return false;
  m_out.Cancelled();
  return true;
}

void OperationRun::WarnOfLatency() {
  if (m_latencyWarned || !m_port.info || m_controller->Mode() != CUpgradeDlg::kUpdate) return;
  const std::string warning = LatencyUpdateWarning(*m_port.info, m_session->Image().GetImageSize());
  if (warning.empty()) return;
  m_out.Warning(warning);
  m_latencyWarned = true;
}

bool OperationRun::RunOperation(const OperationRow& operation) {
  m_host.DrainQueuedFrames();
  m_host.TakeMessageKinds();
  m_host.TakeDataBytes();
  m_out.OperationStarted(operation.name);
  const auto started = std::chrono::steady_clock::now();
  operation.start(*m_controller, m_options);
  if (!operation.shareCountsBytes) {
    m_out.DataExpected(operation.expect ? operation.expect(*m_controller, m_options) : 0);
  }
  // The image is loaded and its start announced; no block has gone out yet.
  WarnOfLatency();
  // An interrupt while the operation started (a firmware load, the wait after the warning on
  // an incomplete backup) ended it before it sent anything; one while it ran made RunUntilIdle
  // cancel it. A warning answered with the end of the input ended it as well.
  const bool ran = m_host.RunUntilIdle();
  const bool interrupted = TerminalHost::TakeInterrupt();
  const bool declined = m_host.TakeDeclined();
  const bool completed = ran && !interrupted && !declined;
  bool ok = completed;
  for (MessageKind kind : m_host.TakeMessageKinds()) ok = ok && kind != MessageKind::Error;

  OperationSummary summary;
  summary.name = operation.name;
  summary.seconds = SecondsSince(started);
  summary.outcome = ok          ? OperationSummary::Outcome::kDone
                    : completed ? OperationSummary::Outcome::kFailed
                                : OperationSummary::Outcome::kCancelled;
  if (ok) operation.count(*m_session, *m_controller, m_host.TakeDataBytes(), summary);
  m_out.OperationEnded(summary);
  if (!completed) m_out.Cancelled();
  m_out.Result(operation.name, ok);
  return ok;
}

int OperationRun::Run(const std::vector<const OperationRow*>& operations) {
  if (!Start(operations)) {
    if (m_controller) m_controller->OnDestroy(m_options.keepFiles);
    return kExitFailed;
  }
  const bool interactive = !m_options.yes && !m_options.report.json && IsTerminal(stdin);
  // After the warning on a backup file that lacks or repeats slots, the restore waits for Enter
  // as every operation does.
  m_host.SetConfirmation([this, interactive] {
    if (!interactive) return true;
    m_out.Instructions({std::string(texts::kCliEnterToRestoreAllTheSame)});
    return WaitForEnter();
  });
  int exitCode = kExitOk;
  for (const OperationRow* operation : operations) {
    // Before each operation the technician puts the unit into its mode.
    if (interactive) {
      m_out.Instructions(TerminalInstructions(*operation));
      if (!WaitForEnter()) {
        // Ctrl-C, or the input closed: either way the operator did not say go.
        TerminalHost::TakeInterrupt();
        m_out.Cancelled();
        exitCode = kExitFailed;
        break;
      }
    }
    if (Interrupted() || !RunOperation(*operation)) {
      exitCode = kExitFailed;
      break;
    }
  }
  End();
  return exitCode;
}

void OperationRun::End() {
  for (const std::string& path : m_controller->OnDestroy(m_options.keepFiles)) {
    m_out.Warning(std::string(texts::kCliCouldNotDelete) + path);
  }
  // A backup-only run whose dated copy failed still succeeded: its file stays, and says so.
  if (const KeptBackup& kept = m_controller->BackupKeptAtExit(); kept.Kept()) {
    m_out.BackupBinKept(kept);
  }
  if (const std::optional<SettingsNote>& note = m_host.SettingsNoteOfRun()) {
    m_out.SettingsToRestore(*note);
  }
}

}  // namespace

void AddOperationCommands(CLI::App& app, OperationOptions& options) {
  SessionOptions& session = options.session;
  app.add_option("--device", session.device, std::string(texts::kHelpDevice));
  app.add_option("-p,--port", options.port, help::kPortOption)
      ->check(PortForms())
      ->excludes("--device");
  app.add_option("--dir", session.dir, std::string(texts::kHelpDir));
  app.add_flag("--keep-files", options.keepFiles,
               "keep BACKUP.BIN and UPDATE.BIN at exit (by default the ones this run wrote are "
               "deleted at exit, as the desktop program does; files that were there before are "
               "always kept)");
  app.add_option("--reply-timeout", session.replyTimeoutMs,
                 "reply timer period in ms (default 5000)")
      ->check(CLI::Range(1u, 3600000u));
  app.add_option("--trace", session.trace, std::string(texts::kHelpTrace));
  app.add_flag("--allow-sample", session.allowSample, std::string(texts::kHelpAllowSample));
  app.add_flag("--yes", options.yes, "do not wait for Enter before each operation");
  AddReportOptions(app, options.report);

  for (const OperationRow& operation : OperationTable()) {
    CLI::App* sub =
        app.add_subcommand(std::string(operation.name), std::string(operation.help))->fallthrough();
    sub->formatter(OperationHelpFormatter());
    if (!operation.fromHelp.empty()) {
      sub->add_option("--from", options.*operation.from, std::string(operation.fromHelp))
          ->check(CLI::ExistingFile);
    }
  }
}

void AddJsonFlag(CLI::App& app, bool& json) {
  app.add_flag("--json", json,
               "print one JSON object per line on standard output (messages, progress, stage "
               "changes, protocol events, results); the first line carries the format version");
}

void AddReportOptions(CLI::App& app, ReportOptions& report) {
  AddJsonFlag(app, report.json);
  app.add_flag("-q,--quiet", report.quiet,
               "print only warnings, resends, errors and results (closing lines, COMPLETE)");
  app.add_flag("-v,--verbose", report.verbose,
               "also print a line for every frame sent and received (what --trace writes)");
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

namespace {

// The operations in one session. An interrupt at any point ends the run as Cancel does: the
// operation under way stops (a firmware load included, before anything is sent), no further one
// starts, and the end-of-run rules (the files this run wrote are deleted) still apply.
int RunInSession(const std::vector<const OperationRow*>& operations,
                 const OperationOptions& options) {
  PlainOutput plain(stdout, stderr, PlainOutput::SettingsFor(stdout, stderr, options.report.quiet));
  JsonOutput json(stdout);
  OutputSink& out = options.report.json ? static_cast<OutputSink&>(json) : plain;

  const NamedPort named =
      PortNamedBy(options, std::getenv(std::string(texts::kPortVariable).c_str()));
  if (!named.error.empty()) {
    out.Refusal(kUsageName, named.error, {});
    return kExitUsage;
  }
  const PortChoice port = ChoosePortToOpen(named.port, PresentPorts());
  if (port.ambiguous) {
    out.PortChosen(port);
    out.Refusal(kRunName, texts::kCliSeveralAdapters, AdapterChoices(port.adapters));
    return kExitUsage;
  }
  OperationRun run(options, out, port);
  return run.Run(operations);
}

}  // namespace

int RunOperations(const std::vector<const OperationRow*>& operations,
                  const OperationOptions& options) {
  TerminalHost::InstallInterruptHandler();
  const int exitCode = RunInSession(operations, options);
  InterruptHandled();
  return exitCode;
}

}  // namespace q7310::cli
