// The Windows desktop program's command line: the same options as the Linux desktop program's
// (--device, --dir, --trace, --help, --version). A program without a console shows the help
// text, the version and usage errors in a message box.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace q7310::win32 {

struct DesktopOptions {
  std::optional<std::string> device;  // e.g. "COM12", in place of the port number's device
  std::string dir;                    // the working folder; empty for the usual rule
  std::string trace;                  // the protocol trace file; empty for none
};

struct ParsedCommandLine {
  DesktopOptions options;
  // Set when the program ends at once: with the help text or the version (status 0), or with a
  // usage error (status 2). `text` is what to show.
  bool exitNow = false;
  int exitStatus = 0;
  std::string text;
};

// `args` are the UTF-8 arguments without the program name.
ParsedCommandLine ParseDesktopCommandLine(const std::vector<std::string>& args);

}  // namespace q7310::win32
