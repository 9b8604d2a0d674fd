#include "desktop_win32/open_file_dialog.h"

#include <commdlg.h>

#include <vector>

#include "desktop_win32/window_text.h"
#include "util/wide_text.h"

namespace q7310::win32 {
namespace {
constexpr size_t kPathChars = 32768;  // the longest path the wide file calls take
}  // namespace

std::string ChooseFileToOpen(HWND owner, std::string_view title, std::string_view qtFilter,
                             const std::string& folder) {
  std::vector<wchar_t> file(kPathChars, L'\0');
  const std::wstring filter = FileDialogFilter(qtFilter);
  const std::wstring initialFolder = Widen(folder);
  const std::wstring wideTitle = Widen(std::string(title));
  OPENFILENAMEW choose{};
  choose.lStructSize = sizeof choose;
  choose.hwndOwner = owner;
  choose.lpstrFilter = filter.c_str();
  choose.lpstrFile = file.data();
  choose.nMaxFile = static_cast<DWORD>(file.size());
  choose.lpstrInitialDir = folder.empty() ? nullptr : initialFolder.c_str();
  choose.lpstrTitle = wideTitle.c_str();
  choose.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
  if (!GetOpenFileNameW(&choose)) return {};
  return Narrow(file.data());
}

}  // namespace q7310::win32
