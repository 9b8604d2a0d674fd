// The terminal (Linux) or console window (Windows) around the command-line tool: Ctrl-C and the
// other requests to end, and the operator's Enter. One file per OS: console_posix.cpp,
// console_win32.cpp.
#pragma once

#include <cstdio>

namespace q7310::cli {

// Calls `onInterrupt` (which must only set a flag) when the run is asked to end: Ctrl-C, and
// on Linux SIGTERM and SIGHUP (a closed terminal, a lost SSH session); on Windows Ctrl-C,
// Ctrl-Break and the console's close, log-off and shut-down events. The run then ends as Cancel
// ends it, with its clean-up. SIGPIPE is ignored, so that an output pipe that closes does not
// end a run without it either.
void InstallInterruptHandler(void (*onInterrupt)());
// Says that the run has done its clean-up after an interrupt. Windows ends the process as soon as
// the handler of a close, log-off or shut-down event returns, so the handler waits for this (for
// a few seconds at most); elsewhere it does nothing.
void InterruptHandled();

enum class LineWait {
  kLine,     // the operator entered a line (it is consumed)
  kClosed,   // the input is closed
  kNothing,  // nothing within the time
};

// Waits up to `timeoutMs` for a line on the standard input.
LineWait WaitForLine(unsigned timeoutMs);

// The width of the terminal or console window that `out` writes to; 0 when it cannot be known.
int ConsoleColumns(std::FILE* out);

// Makes the terminal of `out` take the ANSI sequences the progress line uses (Windows consoles
// need asking; terminals elsewhere always do).
void EnableTerminalSequences(std::FILE* out);

}  // namespace q7310::cli
