// The system's dialog for choosing an existing file, with UTF-8 names and a filter in the Qt form
// (window_text.h, FileDialogFilter).
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace q7310::win32 {

// The file the operator chose, or an empty string when the dialog was cancelled. The dialog
// starts in `folder` (empty: the system's choice) and leaves the current folder as it was.
std::string ChooseFileToOpen(HWND owner, std::string_view title, std::string_view qtFilter,
                             const std::string& folder = {});

}  // namespace q7310::win32
