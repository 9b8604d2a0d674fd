#include <io.h>
#include <windows.h>

#include "cli/console.h"

namespace q7310::cli {
namespace {

// How long the handler of a close, log-off or shut-down event waits for the clean-up: below the
// 5 s after which Windows ends a program that has not answered a closed console.
constexpr DWORD kCleanUpWaitMs = 4500;

void (*g_onInterrupt)() = nullptr;
HANDLE g_cleanedUp = nullptr;  // set by InterruptHandled

BOOL WINAPI OnConsoleControl(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
      g_onInterrupt();
      return TRUE;  // handled: the program ends its operation itself
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
      // The process ends when this returns: not before the run has cancelled and cleaned up.
      g_onInterrupt();
      if (g_cleanedUp) WaitForSingleObject(g_cleanedUp, kCleanUpWaitMs);
      return TRUE;
    default:
      return FALSE;
  }
}

// Whether the console input holds a pressed Enter key (a whole line is then ready to read).
bool EnterWaiting(HANDLE input) {
  INPUT_RECORD records[64];
  DWORD count = 0;
  if (!PeekConsoleInputW(input, records, 64, &count)) return true;  // not a console: read it
  for (DWORD i = 0; i < count; ++i) {
    const auto& r = records[i];
    if (r.EventType == KEY_EVENT && r.Event.KeyEvent.bKeyDown &&
        r.Event.KeyEvent.wVirtualKeyCode == VK_RETURN) {
      return true;
    }
  }
  return false;
}

}  // namespace

void InstallInterruptHandler(void (*onInterrupt)()) {
  g_onInterrupt = onInterrupt;
  if (!g_cleanedUp) g_cleanedUp = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

void InterruptHandled() {
  if (g_cleanedUp) SetEvent(g_cleanedUp);
}

LineWait WaitForLine(unsigned timeoutMs) {
  HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  if (WaitForSingleObject(input, timeoutMs) != WAIT_OBJECT_0) return LineWait::kNothing;
  if (!EnterWaiting(input)) {
    // Keys other than Enter: the line is not complete yet.
    Sleep(timeoutMs);
    return LineWait::kNothing;
  }
  char buf[256];
  DWORD n = 0;
  if (!ReadFile(input, buf, sizeof buf, &n, nullptr)) return LineWait::kClosed;
  return n > 0 ? LineWait::kLine : LineWait::kClosed;
}

int ConsoleColumns(std::FILE* out) {
  CONSOLE_SCREEN_BUFFER_INFO info{};
  HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(out)));
  if (!GetConsoleScreenBufferInfo(handle, &info)) return 0;
  return info.srWindow.Right - info.srWindow.Left + 1;
}

void EnableTerminalSequences(std::FILE* out) {
  HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(out)));
  DWORD mode = 0;
  if (GetConsoleMode(handle, &mode)) {
    SetConsoleMode(handle, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
  }
}

}  // namespace q7310::cli
