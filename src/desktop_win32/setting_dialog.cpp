#include "desktop_win32/setting_dialog.h"

#include <commctrl.h>

#include <algorithm>
#include <array>
#include <utility>

#include "app/numbered_format.h"
#include "app/setting_fields.h"
#include "app/texts.h"
#include "desktop_win32/resource.h"
#include "desktop_win32/window_size.h"
#include "desktop_win32/window_text.h"
#include "util/wide_text.h"

namespace q7310::win32 {
namespace {

constexpr std::array<std::string_view, 3> kPortColumns = {
    texts::kSettingPortsNumber, texts::kSettingPortsName, texts::kSettingPortsDescription};
// Dialog units measured at once, for a rounding no coarser than a unit.
constexpr int kUnitsMeasured = 100;

void ShowItem(HWND dialog, int id, bool shown) {
  ShowWindow(GetDlgItem(dialog, id), shown ? SW_SHOWNA : SW_HIDE);
}

// Moves control `id` to `place` (dialog units) and shows it, or hides it.
void PlaceItem(HWND dialog, int id, const SettingPlace& place, bool shown) {
  if (shown) {
    RECT r{place.x, place.y, place.x + place.w, place.y + place.h};
    MapDialogRect(dialog, &r);
    SetWindowPos(GetDlgItem(dialog, id), nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }
  ShowItem(dialog, id, shown);
}

// A width in pixels as horizontal dialog units, rounded up.
int UnitsX(HWND dialog, int pixels) {
  RECT measured{0, 0, kUnitsMeasured, 0};
  MapDialogRect(dialog, &measured);
  return measured.right > 0 ? (pixels * kUnitsMeasured + measured.right - 1) / measured.right : 0;
}

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
  }
  ShowItem(m_hwnd, IDC_DEVICE_LABEL, !m_device.empty());
  ShowItem(m_hwnd, IDC_DEVICE, !m_device.empty());
  FillPortsList();
  LayOutAdditions();
}

void CSettingDlg::FillPortsList() {
  SetItemText(m_hwnd, IDC_PORTS_HEADING, m_present.heading);
  SetItemText(m_hwnd, IDC_PORTS_NOTE, m_present.note);
  const HWND list = GetDlgItem(m_hwnd, IDC_PORTS_LIST);
  // A description cut at the list's edge is read whole in its tip.
  ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT | LVS_EX_LABELTIP);
  // The wide messages by name: the program is not built with UNICODE defined.
  for (size_t column = 0; column < kPortColumns.size(); ++column) {
    std::wstring heading = Widen(std::string(kPortColumns[column]));
    LVCOLUMNW lvc{};
    lvc.mask = LVCF_TEXT | LVCF_SUBITEM;
    lvc.pszText = heading.data();
    lvc.iSubItem = static_cast<int>(column);
    SendMessageW(list, LVM_INSERTCOLUMNW, column, reinterpret_cast<LPARAM>(&lvc));
  }
  for (const PortRow& row : m_present.rows) {
    std::wstring number = Widen(row.number);
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = ListView_GetItemCount(list);
    item.pszText = number.data();
    const auto index = static_cast<WPARAM>(
        SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    for (const auto& [column, text] : {std::pair{1, &row.name}, std::pair{2, &row.description}}) {
      std::wstring wide = Widen(*text);
      LVITEMW sub{};
      sub.iSubItem = column;
      sub.pszText = wide.data();
      SendMessageW(list, LVM_SETITEMTEXTW, index, reinterpret_cast<LPARAM>(&sub));
    }
  }
}

int CSettingDlg::FitColumns() {
  const HWND list = GetDlgItem(m_hwnd, IDC_PORTS_LIST);
  const HWND header = ListView_GetHeader(list);
  // Each column as wide as its widest entry or its heading, whichever is wider. The heading is
  // measured here in the header's own font, with the margins the header draws at both ends of
  // it (and as many for the divider): "fit the heading" (LVSCW_AUTOSIZE_USEHEADER) leaves
  // headings cut under Wine and fills the list's width with the last column.
  const HDC dc = GetDC(header);
  const HGDIOBJ font =
      SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(header, WM_GETFONT, 0, 0)));
  const int margin = static_cast<int>(SendMessageW(header, HDM_GETBITMAPMARGIN, 0, 0));
  int pixels = 0;
  for (int column = 0; column < static_cast<int>(kPortColumns.size()); ++column) {
    const std::wstring heading = Widen(std::string(kPortColumns[column]));
    SIZE extent{};
    GetTextExtentPoint32W(dc, heading.c_str(), static_cast<int>(heading.size()), &extent);
    ListView_SetColumnWidth(list, column, LVSCW_AUTOSIZE);
    const int width =
        std::max(ListView_GetColumnWidth(list, column), static_cast<int>(extent.cx) + 4 * margin);
    ListView_SetColumnWidth(list, column, width);
    pixels += width;
  }
  SelectObject(dc, font);
  ReleaseDC(header, dc);
  return UnitsX(m_hwnd, pixels);
}

// The last column takes what the list has left beside the others, so that no empty space
// without a heading stands at the list's right.
void CSettingDlg::FillLastColumn() {
  const HWND list = GetDlgItem(m_hwnd, IDC_PORTS_LIST);
  RECT client{};
  GetClientRect(list, &client);
  const int last = static_cast<int>(kPortColumns.size()) - 1;
  int others = 0;
  for (int column = 0; column < last; ++column) others += ListView_GetColumnWidth(list, column);
  if (client.right - others > ListView_GetColumnWidth(list, last)) {
    ListView_SetColumnWidth(list, last, client.right - others);
  }
}

void CSettingDlg::LayOutAdditions() {
  SettingAdditions shown;
  shown.device = !m_device.empty();
  shown.heading = !m_present.heading.empty();
  shown.list = shown.heading && !m_present.rows.empty();
  shown.note = shown.heading && !m_present.note.empty();
  if (shown.list) shown.columnsWidth = FitColumns();
  const SettingPortsLayout layout = LayOutSettingPorts(shown);
  PlaceItem(m_hwnd, IDC_PORTS_HEADING, layout.heading, shown.heading);
  PlaceItem(m_hwnd, IDC_PORTS_LIST, layout.list, shown.list);
  if (shown.list) FillLastColumn();
  PlaceItem(m_hwnd, IDC_PORTS_NOTE, layout.note, shown.note);

  const SIZE size = WindowSizeForClient(m_hwnd, layout.dialogWidth, layout.dialogHeight);
  // Grown around the centre the template was placed at, so that it stays over its owner.
  RECT window{};
  GetWindowRect(m_hwnd, &window);
  SetWindowPos(m_hwnd, nullptr, (window.left + window.right - size.cx) / 2,
               (window.top + window.bottom - size.cy) / 2, size.cx, size.cy,
               SWP_NOZORDER | SWP_NOACTIVATE);
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
