// The About box (template IDD_ABOUTBOX), reached from the main window's system menu: the
// program's icon and name, its build, and the working folder in use.
#pragma once

#include <windows.h>

#include <string>

namespace q7310::win32 {

void ShowAboutBox(HINSTANCE instance, HWND parent, const std::string& workingFolder);

}  // namespace q7310::win32
