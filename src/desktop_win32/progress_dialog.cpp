#include "desktop_win32/progress_dialog.h"

#include <commctrl.h>

#include <array>

#include "app/texts.h"
#include "desktop_win32/frame_message.h"
#include "desktop_win32/resource.h"
#include "desktop_win32/window_text.h"

namespace q7310::win32 {
namespace {
constexpr int kPercentMin = 0;
constexpr int kPercentMax = 100;
}  // namespace

bool CCommProgressDlg::CreateModeless(HINSTANCE instance, HWND owner) {
  m_pOwner = owner;
  m_hwnd = CreateDialogParamW(instance, MAKEINTRESOURCEW(IDD_COMM_PROGRESS), owner, DialogProc,
                              reinterpret_cast<LPARAM>(this));
  return m_hwnd != nullptr;
}

void CCommProgressDlg::OnInitDialog() {
  const std::array<ControlText, 4> texts = {{
      {IDC_COMM_CANCEL, texts::kProgressCancel},
      {IDC_COMM_MESSAGE, texts::kProgressTemplateMessage},
      {IDC_CAUTION_TITLE, texts::kCautionTitle},
      {IDC_CAUTION_TEXT, texts::kProgressCaution},
  }};
  SetText(m_hwnd, texts::kTitleBackup);
  SetItemTexts(m_hwnd, texts);
  m_cautionTitle.SetLabelTextColor(kColorRed);
  m_cautionText.SetLabelTextColor(kColorRed);
  SendDlgItemMessageW(m_hwnd, IDC_COMM_PROGRESS, PBM_SETRANGE32, kPercentMin, kPercentMax);
}

void CCommProgressDlg::SetTitle(std::string_view title) {
  SetText(m_hwnd, title);
}

void CCommProgressDlg::SetMessage(std::string_view text) {
  SetItemText(m_hwnd, IDC_COMM_MESSAGE, text);
}

void CCommProgressDlg::SetPercent(int percent) {
  const HWND bar = GetDlgItem(m_hwnd, IDC_COMM_PROGRESS);
  if (percent < kPercentMin || percent > kPercentMax) {
    ShowWindow(bar, SW_HIDE);
    return;
  }
  SendMessageW(bar, PBM_SETPOS, static_cast<WPARAM>(percent), 0);
  ShowWindow(bar, SW_SHOWNA);
}

void CCommProgressDlg::Show(bool visible) {
  ShowWindow(m_hwnd, visible ? SW_SHOW : SW_HIDE);
}

INT_PTR CALLBACK CCommProgressDlg::DialogProc(HWND hwnd, UINT message, WPARAM wParam,
                                              LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* self = reinterpret_cast<CCommProgressDlg*>(lParam);
    SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
    self->m_hwnd = hwnd;
    self->OnInitDialog();
    return TRUE;
  }
  auto* self = reinterpret_cast<CCommProgressDlg*>(GetWindowLongPtrW(hwnd, DWLP_USER));
  return self != nullptr ? self->OnMessage(message, wParam, lParam) : FALSE;
}

INT_PTR CCommProgressDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      // The Cancel button, and Escape (IDCANCEL): the owner decides, after the frames before.
      if (LOWORD(wParam) == IDC_COMM_CANCEL || LOWORD(wParam) == IDCANCEL) {
        PostMessageW(m_pOwner, WM_COMM_CANCEL, 0, 0);
        return TRUE;
      }
      return FALSE;
    case WM_CLOSE:
      return TRUE;  // swallowed: only the owner hides the window
    case WM_CTLCOLORSTATIC: {
      const int id = GetDlgCtrlID(reinterpret_cast<HWND>(lParam));
      const HDC dc = reinterpret_cast<HDC>(wParam);
      if (id == IDC_CAUTION_TITLE) return reinterpret_cast<INT_PTR>(m_cautionTitle.OnCtlColor(dc));
      if (id == IDC_CAUTION_TEXT) return reinterpret_cast<INT_PTR>(m_cautionText.OnCtlColor(dc));
      return FALSE;
    }
    default:
      return FALSE;
  }
}

}  // namespace q7310::win32
