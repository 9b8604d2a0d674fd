// The command line and the start-up that both desktop programs share (the Qt program on Linux,
// the Win32 one on Windows): the same options, help, version and usage errors (on CLI11, as the
// command-line tool), the port that the next start opens, and the working folder, its lock and
// the trace, all settled before the window appears.
//
// Options: --device PATH (a serial device in place of the port number's; given even empty, it
// replaces the remembered device), --dir FOLDER, --trace FILE, --allow-sample (UPDATE may send
// the simulator's sample firmware), -h/--help, -v/--version. A
// program adds options of its own to App() before Parse.
#pragma once

#include <CLI/CLI.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/remembered_port.h"
#include "app/session.h"

namespace q7310 {

// The program's name in messages, the trace and the version text.
inline constexpr std::string_view kDesktopProgram = "q7310-upgrade";

struct DesktopOptions {
  std::optional<std::string> device;  // --device; none when not given
  std::string dir;
  std::string trace;
  bool allowSample = false;
};

// A command line that ends the program at once: with the help text or the version (status 0),
// or with a usage error (status 2). `text` is what to show.
struct CommandLineEnd {
  bool exitNow = false;
  int exitStatus = 0;
  std::string text;
};

class DesktopCommandLine {
 public:
  DesktopCommandLine();
  DesktopCommandLine(const DesktopCommandLine&) = delete;
  DesktopCommandLine& operator=(const DesktopCommandLine&) = delete;

  CLI::App& App() { return m_app; }
  // Parses the UTF-8 arguments after the program name.
  CommandLineEnd Parse(const std::vector<std::string>& args);
  const DesktopOptions& Options() const { return m_options; }

 private:
  CLI::App m_app;
  DesktopOptions m_options;
  std::string m_device;
};

// A desktop run's session options: the command line's folder, trace and --allow-sample, and the
// port that StartPort (remembered_port.h) makes of the remembered one and --device.
SessionOptions DesktopSessionOptions(const DesktopOptions& options,
                                     const RememberedPort& remembered);

// Whether the port of this start was named: --device given (even empty), or a port remembered
// from an earlier run. When it was not, the presenter chooses one as q7310 does
// (UpgradePresenter::Start).
bool StartPortNamed(const DesktopOptions& options, const RememberedPort& remembered);

// Chooses, checks and locks the working folder and opens the trace (Session's two steps). Empty
// when the run may go on; otherwise the text that refuses it, with nothing touched. A warning
// (a trouble that does not stop the run) goes to standard error.
std::string OpenDesktopSession(Session& session);

}  // namespace q7310
