// q7310-upgrade.exe: the Windows desktop program. Reads the command line, opens the session on
// the working folder (app/session.h), shows the main window and runs its message loop.
// The core's headers come before <windows.h>, whose macros (NOPARITY and the like) would
// otherwise replace names they define.
// clang-format off
#include "app/session.h"
#include "app/texts.h"
#include "desktop_win32/command_line.h"
#include "desktop_win32/port_registry.h"
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

// Chooses, checks and locks the working folder and opens the trace. Empty on success;
// otherwise why the program cannot start, with nothing touched.
std::string StartSession(q7310::Session& session) {
  if (const q7310::SessionStatus chosen = session.ChooseFolder(); !chosen.Ok()) {
    return chosen.text;
  }
  const q7310::SessionStatus opened = session.Open();
  // A lock that cannot be taken stops the start (Open refuses it), but for a run that writes
  // nothing in a folder nobody can write; the desktop program always may write.
  if (!opened.warning.empty()) std::fprintf(stderr, "q7310-upgrade: %s\n", opened.warning.c_str());
  if (opened.detail.empty()) return opened.text;
  return opened.text + "\n" + opened.detail;
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

  SessionOptions options = parsed.options;
  const RememberedPort start =
      StartPort(win32::LoadRememberedPort(), win32::CommandLineDevice(parsed));
  options.portNo = start.portNo;
  options.device = start.device;
  Session session(options, "q7310-upgrade");
  if (const std::string refusal = StartSession(session); !refusal.empty()) {
    Tell(refusal, texts::kCaptionError, MB_ICONEXCLAMATION);
    return 1;
  }
  win32::CUpgradeWindow window(instance, session);
  if (!window.Create(showCommand)) {
    Tell(std::string(texts::kWindowNotMade) + Win32ErrorText(GetLastError()), texts::kCaptionError,
         MB_ICONEXCLAMATION);
    return 1;
  }
  return window.Run();
}
