#include "desktop_win32/about_dialog.h"

#include "app/texts.h"
#include "app/version.h"
#include "desktop_win32/resource.h"
#include "desktop_win32/window_text.h"

namespace q7310::win32 {
namespace {

INT_PTR CALLBACK AboutProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      const auto* folder = reinterpret_cast<const std::string*>(lParam);
      SetText(hwnd, texts::kAboutCaption);
      SetItemText(hwnd, IDC_ABOUT_TEXT, texts::kAboutText);
      SetItemText(hwnd, IDC_ABOUT_BUILD,
                  std::string(texts::kAboutBuild) + std::string(VersionText()) + "\n" +
                      std::string(texts::kWorkingFolder) + *folder);
      SetItemText(hwnd, IDOK, texts::kSettingOk);
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        EndDialog(hwnd, LOWORD(wParam));
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

void ShowAboutBox(HINSTANCE instance, HWND parent, const std::string& workingFolder) {
  DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_ABOUTBOX), parent, AboutProc,
                  reinterpret_cast<LPARAM>(&workingFolder));
}

}  // namespace q7310::win32
