// The terminal (Linux) or console window (Windows) around the command-line tool: Ctrl-C and the
// operator's Enter. One file per OS: console_posix.cpp, console_win32.cpp.
#pragma once

namespace q7310::cli {

// Calls `onInterrupt` (which must only set a flag) when the operator presses Ctrl-C.
void InstallInterruptHandler(void (*onInterrupt)());

enum class LineWait {
  kLine,     // the operator entered a line (it is consumed)
  kClosed,   // the input is closed
  kNothing,  // nothing within the time
};

// Waits up to `timeoutMs` for a line on the standard input.
LineWait WaitForLine(unsigned timeoutMs);

}  // namespace q7310::cli
