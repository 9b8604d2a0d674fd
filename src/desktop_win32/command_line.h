// The Windows desktop program's command line: the same options as the Linux desktop program's
// (--device, --dir, --trace, --help, --version). A program without a console shows the help
// text, the version and usage errors in a message box.
#pragma once

#include <string>
#include <vector>

#include "app/session.h"

namespace q7310::win32 {

struct ParsedCommandLine {
  // The session's device (e.g. "COM12"; empty for the port number's), folder and trace file.
  SessionOptions options;
  // Set when the program ends at once: with the help text or the version (status 0), or with a
  // usage error (status 2). `text` is what to show.
  bool exitNow = false;
  int exitStatus = 0;
  std::string text;
};

// `args` are the UTF-8 arguments without the program name.
ParsedCommandLine ParseDesktopCommandLine(const std::vector<std::string>& args);

}  // namespace q7310::win32
