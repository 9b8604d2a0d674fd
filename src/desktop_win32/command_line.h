// The Windows desktop program's command line: the same options as the Linux desktop program's
// (--device, --dir, --trace, --help, --version). A program without a console shows the help
// text, the version and usage errors in a message box.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/session.h"

namespace q7310::win32 {

struct ParsedCommandLine {
  // The session's device (e.g. "COM12"; empty for the port number's), folder and trace file.
  SessionOptions options;
  // Whether --device was given (even empty): it then replaces the remembered device.
  bool deviceGiven = false;
  // Set when the program ends at once: with the help text or the version (status 0), or with a
  // usage error (status 2). `text` is what to show.
  bool exitNow = false;
  int exitStatus = 0;
  std::string text;
};

// `args` are the UTF-8 arguments without the program name.
ParsedCommandLine ParseDesktopCommandLine(const std::vector<std::string>& args);

// The device the command line names, for StartPort (app/remembered_port.h); none without --device.
std::optional<std::string> CommandLineDevice(const ParsedCommandLine& parsed);

}  // namespace q7310::win32
