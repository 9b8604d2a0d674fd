// q7310-upgrade.exe: the Windows desktop program. Reads the command line, prepares the run's
// parts (desktop_parts.h), shows the main window and runs its message loop.
// The core's headers come before <windows.h>, whose macros (NOPARITY and the like) would
// otherwise replace names they define.
// clang-format off
#include "app/texts.h"
#include "desktop_win32/command_line.h"
#include "desktop_win32/desktop_parts.h"
#include "desktop_win32/upgrade_window.h"
#include "desktop_win32/window_text.h"
#include "util/wide_text.h"

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
// clang-format on

#include <cstdio>
#include <string>
#include <vector>

namespace {

// The UTF-8 arguments after the program name.
std::vector<std::string> Arguments() {
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> args;
  for (int i = 1; i < count; ++i) args.push_back(q7310::Narrow(wide[i]));
  LocalFree(wide);
  return args;
}

// A refusal or a usage error: a message box (and the same line on stderr for scripts).
void Tell(const std::string& text, std::string_view caption, UINT icon) {
  std::fprintf(stderr, "q7310-upgrade: %s\n", text.c_str());
  q7310::win32::MessageBoxUtf8(nullptr, text, {}, caption, MB_OK | icon);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previous*/, PWSTR /*commandLine*/,
                    int showCommand) {
  using namespace q7310;
  const win32::ParsedCommandLine parsed = win32::ParseDesktopCommandLine(Arguments());
  if (parsed.exitNow) {
    std::fprintf(parsed.exitStatus == 0 ? stdout : stderr, "%s\n", parsed.text.c_str());
    q7310::win32::MessageBoxUtf8(
        nullptr, parsed.text, {}, "q7310-upgrade",
        MB_OK | (parsed.exitStatus == 0 ? MB_ICONINFORMATION : MB_ICONEXCLAMATION));
    return parsed.exitStatus;
  }

  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);

  win32::DesktopParts parts;
  if (const std::string refusal = win32::PrepareParts(parsed.options, parts); !refusal.empty()) {
    Tell(refusal, texts::kCaptionError, MB_ICONEXCLAMATION);
    return 1;
  }
  win32::CUpgradeWindow window(instance, parts);
  if (!window.Create(showCommand)) {
    Tell("the window could not be made: " + Win32ErrorText(GetLastError()), texts::kCaptionError,
         MB_ICONEXCLAMATION);
    return 1;
  }
  return window.Run();
}
