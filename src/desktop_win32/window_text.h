// Texts of windows and controls, UTF-8 inside (the program's texts from src/app/texts.h) and
// UTF-16 at the Win32 calls.
#pragma once

#include <windows.h>

#include <span>
#include <string>
#include <string_view>

namespace q7310::win32 {

// A control of a dialog and the text it shows.
struct ControlText {
  int id;
  std::string_view text;
};

void SetText(HWND window, std::string_view text);
std::string GetText(HWND window);
void SetItemText(HWND dialog, int id, std::string_view text);
std::string GetItemText(HWND dialog, int id);
// Sets the text of every control in `texts`.
void SetItemTexts(HWND dialog, std::span<const ControlText> texts);

// A message box owned by `owner`; `text` and `detail` (when not empty) are shown apart.
int MessageBoxUtf8(HWND owner, std::string_view text, std::string_view detail,
                   std::string_view caption, UINT type);

// A file filter in the Qt form ("Backups (*.BIN *.bin);;All files (*)") as the Win32 file
// dialogs take it: pairs of a description and its patterns separated by ';', each ended by a
// NUL, and the whole ended by a second NUL ("*" becomes "*.*").
std::wstring FileDialogFilter(std::string_view qtFilter);

}  // namespace q7310::win32
