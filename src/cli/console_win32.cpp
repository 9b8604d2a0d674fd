#include <io.h>
#include <windows.h>

#include "cli/console.h"

namespace q7310::cli {
namespace {

void (*g_onInterrupt)() = nullptr;

BOOL WINAPI OnConsoleControl(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  g_onInterrupt();
  return TRUE;  // handled: the program ends its operation itself
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
  SetConsoleCtrlHandler(OnConsoleControl, TRUE);
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

bool EnableTerminalSequences(std::FILE* out) {
  HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(out)));
  DWORD mode = 0;
  if (!GetConsoleMode(handle, &mode)) return false;
  if (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) return true;
  // Read back: a console that cannot process the sequences refuses the flag or drops it.
  if (!SetConsoleMode(handle, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING)) return false;
  return GetConsoleMode(handle, &mode) && (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

}  // namespace q7310::cli
