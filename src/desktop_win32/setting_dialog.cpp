#include "desktop_win32/setting_dialog.h"

#include <array>

#include "app/numbered_format.h"
#include "app/setting_fields.h"
#include "app/texts.h"
#include "desktop_win32/resource.h"
#include "desktop_win32/window_text.h"

namespace q7310::win32 {
namespace {
constexpr int kDeviceRowHeight = 18;  // dialog units
}  // namespace

INT_PTR CSettingDlg::DoModal(HINSTANCE instance, HWND parent) {
  return DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_SETTING), parent, DialogProc,
                         reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK CSettingDlg::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* self = reinterpret_cast<CSettingDlg*>(lParam);
    SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
    self->m_hwnd = hwnd;
    self->OnInitDialog();
    return TRUE;
  }
  auto* self = reinterpret_cast<CSettingDlg*>(GetWindowLongPtrW(hwnd, DWLP_USER));
  return self != nullptr ? self->OnMessage(message, wParam, lParam) : FALSE;
}

void CSettingDlg::OnInitDialog() {
  const std::array<ControlText, 5> texts = {{
      {IDOK, texts::kSettingOk},
      {IDCANCEL, texts::kSettingCancel},
      {IDC_PORT_LABEL, texts::kSettingPortLabel},
      {IDC_BAUD_LABEL, texts::kSettingBaudLabel},
      {IDC_BPS_LABEL, texts::kSettingBps},
  }};
  SetText(m_hwnd, texts::kSettingCaption);
  SetItemTexts(m_hwnd, texts);
  SendDlgItemMessageW(m_hwnd, IDC_PORT_NO, EM_LIMITTEXT, kPortNoMaxChars, 0);
  if (!m_device.empty()) {
    SetItemText(m_hwnd, IDC_DEVICE_LABEL, texts::kSettingDeviceLabel);
    SetItemText(m_hwnd, IDC_DEVICE, m_device);
    ShowWindow(GetDlgItem(m_hwnd, IDC_DEVICE_LABEL), SW_SHOWNA);
    ShowWindow(GetDlgItem(m_hwnd, IDC_DEVICE), SW_SHOWNA);
    RECT grow{0, 0, 0, kDeviceRowHeight};
    MapDialogRect(m_hwnd, &grow);
    RECT window;
    GetWindowRect(m_hwnd, &window);
    SetWindowPos(m_hwnd, nullptr, 0, 0, window.right - window.left,
                 window.bottom - window.top + grow.bottom, SWP_NOMOVE | SWP_NOZORDER);
  }
}

// Both fields show the stored values whenever the dialog is shown.
void CSettingDlg::OnShowWindow() {
  SetItemText(m_hwnd, IDC_PORT_NO, std::to_string(static_cast<uint32_t>(m_portNo)));
  SetItemText(m_hwnd, IDC_BAUDRATE, std::to_string(static_cast<uint32_t>(m_baudRate)));
}

// ES_NUMBER stops letters typed, not letters pasted: those are taken out again here.
void CSettingDlg::KeepDigitsOnly() {
  const std::string text = GetItemText(m_hwnd, IDC_PORT_NO);
  std::string digits;
  for (const char c : text) {
    if (c >= '0' && c <= '9') digits += c;
  }
  if (digits == text) return;
  SetItemText(m_hwnd, IDC_PORT_NO, digits);
  const auto end = static_cast<LPARAM>(digits.size());
  SendDlgItemMessageW(m_hwnd, IDC_PORT_NO, EM_SETSEL, static_cast<WPARAM>(end), end);
}

void CSettingDlg::OnOK() {
  const std::string portText = GetItemText(m_hwnd, IDC_PORT_NO);
  // The input limit keeps this from happening through typing.
  if (portText.size() > static_cast<size_t>(kPortNoMaxChars)) {
    MessageBoxUtf8(m_hwnd,
                   FormatNumbered(texts::kFmtTooManyChars, {std::to_string(kPortNoMaxChars)}), {},
                   texts::kCaptionError, MB_OK | MB_ICONEXCLAMATION);
    SetFocus(GetDlgItem(m_hwnd, IDC_PORT_NO));
    return;
  }
  m_portNo = ReadUnsignedField(portText);
  m_baudRate = ReadUnsignedField(GetItemText(m_hwnd, IDC_BAUDRATE));
  EndDialog(m_hwnd, IDOK);
}

INT_PTR CSettingDlg::OnMessage(UINT message, WPARAM wParam, LPARAM /*lParam*/) {
  switch (message) {
    case WM_SHOWWINDOW:
      OnShowWindow();
      return FALSE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDC_PORT_NO && HIWORD(wParam) == EN_CHANGE) {
        KeepDigitsOnly();
        return TRUE;
      }
      if (LOWORD(wParam) == IDOK) {
        OnOK();
        return TRUE;
      }
      if (LOWORD(wParam) == IDCANCEL) {  // the Cancel button, Escape and the close box
        EndDialog(m_hwnd, IDCANCEL);
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace q7310::win32
