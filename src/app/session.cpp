#include "app/session.h"

#include <utility>

#include "app/file_checks.h"
#include "app/output_target.h"
#include "app/texts.h"
#include "app/upgrade_dlg.h"
#include "app/work_folder.h"

namespace q7310 {
namespace {

SessionStatus Problem(SessionProblem problem, std::string text, std::string detail = {}) {
  SessionStatus status;
  status.problem = problem;
  status.text = std::move(text);
  status.detail = std::move(detail);
  return status;
}

}  // namespace

Session::Session(SessionOptions options, std::string program)
    : m_options(std::move(options)), m_program(std::move(program)) {}

SessionStatus Session::ChooseFolder() {
  m_folder = ResolveWorkingFolder(m_options.dir);
  if (!m_folder.error.empty()) {
    return Problem(SessionProblem::kNoWorkingFolder,
                   std::string(texts::kNoWorkingFolder) + m_folder.error);
  }
  return {};
}

SessionStatus Session::Open() {
  const std::string& folder = m_folder.path;
  // Said before the folder is locked and the port opened, not after the amplifier has been read.
  if (std::string problem = FolderProblem(folder, m_options.writesFolder); !problem.empty()) {
    return Problem(SessionProblem::kFolderUnusable, std::string(texts::kMsgFolderUnusable),
                   std::move(problem));
  }
  const std::string device = m_options.device.empty()
                                 ? CSerialPort::DeviceForPortNumber(m_options.portNo)
                                 : m_options.device;
  if (!m_options.trace.empty()) {
    if (std::string problem = TraceTargetProblem(folder, m_options.trace, device);
        !problem.empty()) {
      return Problem(SessionProblem::kTraceIsOwnFile, std::move(problem));
    }
  }
  // Taken before the trace or the port is opened: a second program on this folder touches
  // nothing.
  SessionStatus status;
  std::string lockError;
  switch (ClaimWorkFolder(folder, m_lock, &lockError)) {
    case FolderLock::Result::kTaken:
      break;
    case FolderLock::Result::kBusy:
      return Problem(SessionProblem::kFolderInUse, FormatText(texts::kFmtFolderInUse, folder));
    case FolderLock::Result::kFailed:
      // Without the lock a second program could delete or replace this run's files. Only a run
      // that writes nothing, in a folder that nobody can write, is safe without it.
      if (m_options.writesFolder || FolderProblem(folder, true).empty()) {
        return Problem(SessionProblem::kFolderNotLockable,
                       FormatText(texts::kFmtFolderNotLockable, folder) + lockError);
      }
      status.warning = lockError;
      break;
  }
  if (!m_options.trace.empty()) {
    std::string error;
    if (!m_trace.Open(m_options.trace, m_program, &error)) {
      return Problem(SessionProblem::kTraceNotWritable,
                     std::string(texts::kTraceNotWritable) + error);
    }
    m_serial.SetWireObserver(&m_trace);
  }
  m_serial.SetDevicePath(m_options.device);
  return status;
}

std::unique_ptr<CUpgradeDlg> Session::MakeController(IUpgradeHost& host) {
  auto controller = std::make_unique<CUpgradeDlg>(host, m_serial, m_backup, m_image, m_folder.path);
  controller->SetReplyTimeoutMs(m_options.replyTimeoutMs);
  controller->SetSampleAllowed(m_options.allowSample);
  return controller;
}

}  // namespace q7310
