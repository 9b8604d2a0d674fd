// Session: what one run of a front end works with, built in one place and in one order.
//
// A session owns the lock on the working folder, the protocol trace, the serial link, the
// settings backup store and the firmware image. They are constructed in that order and destroyed
// in the reverse one: the trace outlives the link that reports to it, and the folder stays locked
// until everything else, the files deleted at exit included, is gone. The front end (the Qt
// window, the terminal, a Win32 window) is the controller's host: it builds its CUpgradeDlg on
// the session's parts with MakeController and must destroy it before the session.
//
// Start-up runs in two steps, so that a front end can name the working folder before anything
// can fail on it:
//   ChooseFolder  picks the working folder (the --dir option, else the rule of app_paths.h);
//   Open          checks that the folder can be used and that the trace is none of the
//                 program's files nor the serial device, takes the folder's lock (before the
//                 trace or the port is touched: a second program on the folder changes nothing;
//                 a lock that cannot be taken stops the run), opens the trace and names the
//                 device for the serial link. The port itself is opened by
//                 the controller (CUpgradeDlg::OnInitDialog with PortNo()).
// Each step returns the problem that stops the run, with its text for the operator.
//
// Threads: every call on the front end's thread. No toolkit or terminal types: the desktop
// program, the command-line tool and any other front end use it alike.
#pragma once

#include <memory>
#include <string>

#include "app/app_paths.h"
#include "app/protocol_trace.h"
#include "backup/settings_backup.h"
#include "firmware/firmware_image.h"
#include "protocol/protocol.h"
#include "serial/serial_port.h"
#include "util/folder_lock.h"

namespace q7310 {

class CUpgradeDlg;
class IUpgradeHost;

// The options that every front end takes.
struct SessionOptions {
  std::string device;  // a serial device in place of the port number's; empty: the port number's
  int portNo = 1;      // the port to open when no device is named
  std::string dir;     // the working folder; empty: the rule of app_paths.h
  std::string trace;   // the trace file, appended to; empty: no trace
  unsigned replyTimeoutMs = kReplyTimeoutMs;  // the controller's reply timer period
  // Whether UPDATE may send the simulator's sample firmware (--allow-sample;
  // CUpgradeDlg::SetSampleAllowed).
  bool allowSample = false;
  // Whether the run may write into the folder (a backup, an update): the folder is then checked
  // for writing before anything starts; otherwise only that it exists.
  bool writesFolder = true;
};

// Why a session cannot start.
enum class SessionProblem {
  kNone,
  kNoWorkingFolder,    // the per-user data folder cannot be made
  kFolderUnusable,     // the folder is missing, not a folder, or cannot be written
  kTraceIsOwnFile,     // the trace file is one of the program's own files, or the serial device
  kFolderInUse,        // another program holds the folder's lock
  kFolderNotLockable,  // the folder's lock cannot be taken (a folder in the lock file's place)
  kTraceNotWritable,   // the trace file cannot be opened
};

struct SessionStatus {
  SessionProblem problem = SessionProblem::kNone;
  std::string text;    // the operator's text; empty without a problem
  std::string detail;  // the reason behind it, for a detail line (kFolderUnusable); often empty
  // A trouble that does not stop the run: the folder's lock could not be taken where the run
  // writes nothing and nobody can write (a read-only folder where only a restore or a verify
  // runs), so that no other program can harm its files either.
  std::string warning;
  bool Ok() const { return problem == SessionProblem::kNone; }
};

class Session {
 public:
  // `program` names the front end in the trace's first line ("q7310", "q7310-upgrade").
  Session(SessionOptions options, std::string program);
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // Step 1: the working folder. On success Folder() names it.
  SessionStatus ChooseFolder();
  // Step 2, after a successful ChooseFolder: the checks, the lock, the trace and the device.
  SessionStatus Open();

  // The working folder (after ChooseFolder), without a trailing '/'.
  const std::string& Folder() const { return m_folder.path; }
  const SessionOptions& Options() const { return m_options; }
  int PortNo() const { return m_options.portNo; }

  // A controller for `host` on this session's parts, with the session's reply timeout and its
  // choice on the sample firmware. The host
  // passes PortNo() to its OnInitDialog.
  std::unique_ptr<CUpgradeDlg> MakeController(IUpgradeHost& host);

  // The parts, for a host that builds its controller itself.
  CSerialPort& Serial() { return m_serial; }
  CSettingsBackup& Backup() { return m_backup; }
  CFirmwareImage& Image() { return m_image; }
  // The open trace, or null when the run has none. The host hands it the received frames and
  // the protocol events; the serial link's transmit side is connected by Open.
  ProtocolTrace* Trace() { return m_trace.IsOpen() ? &m_trace : nullptr; }
  bool HoldsFolder() const { return m_lock.Held(); }

 private:
  SessionOptions m_options;
  std::string m_program;
  WorkingFolder m_folder;
  // Declared in the order they are built; destroyed in the reverse order.
  FolderLock m_lock;
  ProtocolTrace m_trace;
  CSerialPort m_serial;
  CSettingsBackup m_backup;
  CFirmwareImage m_image;
};

}  // namespace q7310
