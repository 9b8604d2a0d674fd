// q7310-upgrade.exe: the Windows desktop program. Reads the command line, opens the session on
// the working folder (app/desktop_start.h, shared with the Qt program), shows the main window and
// runs its message loop.
// <windows.h> comes before the other system headers, which build on it.
#include <windows.h>
// clang-format off
#include <commctrl.h>
#include <shellapi.h>
// clang-format on

#include <cstdio>
#include <string>
#include <vector>

#include "app/desktop_start.h"
#include "app/texts.h"
#include "desktop_win32/port_memory.h"
#include "desktop_win32/upgrade_window.h"
#include "desktop_win32/window_text.h"
#include "util/wide_text.h"

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

// A refusal: a message box (and the same line on stderr for scripts).
void Refuse(const std::string& text) {
  std::fprintf(stderr, "%s: %s\n", std::string(q7310::kDesktopProgram).c_str(), text.c_str());
  q7310::win32::MessageBoxUtf8(nullptr, text, {}, q7310::texts::kCaptionError,
                               MB_OK | MB_ICONEXCLAMATION);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previous*/, PWSTR /*commandLine*/,
                    int showCommand) {
  using namespace q7310;
  DesktopCommandLine commandLine;
  if (const CommandLineEnd end = commandLine.Parse(Arguments()); end.exitNow) {
    // Without a console the help text, the version and a usage error need a box of their own.
    const bool ok = end.exitStatus == 0;
    std::fprintf(ok ? stdout : stderr, "%s\n", end.text.c_str());
    win32::MessageBoxUtf8(nullptr, end.text, {}, kDesktopProgram,
                          MB_OK | (ok ? MB_ICONINFORMATION : MB_ICONEXCLAMATION));
    return end.exitStatus;
  }

  INITCOMMONCONTROLSEX controls{sizeof controls,
                                ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS | ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&controls);

  const RememberedPort remembered = win32::RegistryPortMemory().Load();
  Session session(DesktopSessionOptions(commandLine.Options(), remembered),
                  std::string(kDesktopProgram));
  if (const std::string refusal = OpenDesktopSession(session); !refusal.empty()) {
    Refuse(refusal);
    return 1;
  }
  win32::UpgradeWindow window(instance, session);
  if (!window.Create(showCommand, session.PortNo(),
                     StartPortNamed(commandLine.Options(), remembered))) {
    Refuse(std::string(texts::kWindowNotMade) + Win32ErrorText(GetLastError()));
    return 1;
  }
  return window.Run();
}
