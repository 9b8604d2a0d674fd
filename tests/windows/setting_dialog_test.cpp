// The Windows port settings dialog as it runs: made modally from its template, read from inside
// its own message loop (a thread timer), then cancelled. What it lists of the ports present, and
// where: below the fields, the device row above the ports, wide enough for every column whole.
// Wine makes windows only on a display: run by wine_on_display.sh.
#include <gtest/gtest.h>
#include <windows.h>
// After <windows.h>, which it needs.
#include <commctrl.h>

#include <array>
#include <string>
#include <vector>

#include "app/setting_fields.h"
#include "app/texts.h"
#include "desktop_win32/resource.h"
#include "desktop_win32/setting_dialog.h"
#include "desktop_win32/window_text.h"
#include "util/wide_text.h"

namespace q7310::win32 {
namespace {

constexpr UINT kLookAfterMs = 20;

// A control's place in the dialog's client area, in pixels.
// Shown: the control's own style, whether or not the dialog is on screen yet.
bool Shown(HWND dialog, int id) {
  return (GetWindowLongW(GetDlgItem(dialog, id), GWL_STYLE) & WS_VISIBLE) != 0;
}

RECT PlaceOf(HWND dialog, int id) {
  RECT r{};
  GetWindowRect(GetDlgItem(dialog, id), &r);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

// What the dialog showed, read while it ran.
struct Seen {
  bool ran = false;
  SIZE client{};
  SIZE templateClient{};  // the template's 177 x 64 units in this dialog's pixels
  RECT baudRate{};
  RECT device{};
  bool deviceShown = false;
  std::string heading;
  bool headingShown = false;
  RECT headingPlace{};
  bool listShown = false;
  RECT listPlace{};
  int listClientWidth = 0;
  int columnsWidth = 0;       // the columns' widths added up, in pixels
  bool headingsWhole = true;  // each column at least as wide as its heading and its margins
  std::vector<std::array<std::string, 3>> rows;
  std::array<std::string, 3> headers;
  std::string note;
  bool noteShown = false;
  RECT notePlace{};
};

Seen* g_seen = nullptr;  // the run being read; the timer's procedure has no other way to it

// The wide messages by name: the tests are not built with UNICODE defined.
std::string ListText(HWND list, int item, int column) {
  std::array<wchar_t, 256> buffer{};
  LVITEMW lvi{};
  lvi.iSubItem = column;
  lvi.pszText = buffer.data();
  lvi.cchTextMax = static_cast<int>(buffer.size());
  SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&lvi));
  return Narrow(buffer.data());
}

std::string HeaderText(HWND list, int column) {
  std::array<wchar_t, 64> buffer{};
  LVCOLUMNW lvc{};
  lvc.mask = LVCF_TEXT;
  lvc.pszText = buffer.data();
  lvc.cchTextMax = static_cast<int>(buffer.size());
  SendMessageW(list, LVM_GETCOLUMNW, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&lvc));
  return Narrow(buffer.data());
}

void ReadDialog(HWND dialog, Seen& seen) {
  seen.ran = true;
  RECT client{};
  GetClientRect(dialog, &client);
  seen.client = {client.right, client.bottom};
  RECT units{0, 0, kSettingTemplateWidth, kSettingTemplateHeight};
  MapDialogRect(dialog, &units);
  seen.templateClient = {units.right, units.bottom};
  seen.baudRate = PlaceOf(dialog, IDC_BAUDRATE);
  seen.device = PlaceOf(dialog, IDC_DEVICE);
  seen.deviceShown = Shown(dialog, IDC_DEVICE);
  seen.heading = GetItemText(dialog, IDC_PORTS_HEADING);
  seen.headingShown = Shown(dialog, IDC_PORTS_HEADING);
  seen.headingPlace = PlaceOf(dialog, IDC_PORTS_HEADING);
  const HWND list = GetDlgItem(dialog, IDC_PORTS_LIST);
  seen.listShown = Shown(dialog, IDC_PORTS_LIST);
  seen.listPlace = PlaceOf(dialog, IDC_PORTS_LIST);
  RECT listClient{};
  GetClientRect(list, &listClient);
  seen.listClientWidth = listClient.right;
  for (int column = 0; column < 3; ++column) {
    const int width = ListView_GetColumnWidth(list, column);
    seen.columnsWidth += width;
    seen.headers[static_cast<size_t>(column)] = HeaderText(list, column);
    const std::wstring heading = Widen(seen.headers[static_cast<size_t>(column)]);
    const auto text = static_cast<int>(
        SendMessageW(list, LVM_GETSTRINGWIDTHW, 0, reinterpret_cast<LPARAM>(heading.c_str())));
    const auto margin =
        static_cast<int>(SendMessageW(ListView_GetHeader(list), HDM_GETBITMAPMARGIN, 0, 0));
    if (width < text + 2 * margin) seen.headingsWhole = false;
  }
  for (int item = 0; item < ListView_GetItemCount(list); ++item) {
    seen.rows.push_back(
        {ListText(list, item, 0), ListText(list, item, 1), ListText(list, item, 2)});
  }
  seen.note = GetItemText(dialog, IDC_PORTS_NOTE);
  seen.noteShown = Shown(dialog, IDC_PORTS_NOTE);
  seen.notePlace = PlaceOf(dialog, IDC_PORTS_NOTE);
}

BOOL CALLBACK FindDialog(HWND window, LPARAM found) {
  if (GetDlgItem(window, IDC_PORTS_LIST) == nullptr) return TRUE;
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

void CALLBACK LookAtDialog(HWND /*hwnd*/, UINT /*message*/, UINT_PTR timer, DWORD /*time*/) {
  HWND dialog = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), FindDialog, reinterpret_cast<LPARAM>(&dialog));
  if (dialog == nullptr) return;  // not made yet
  KillTimer(nullptr, timer);
  ReadDialog(dialog, *g_seen);
  EndDialog(dialog, IDCANCEL);
}

// Runs the dialog with `device` and `present`, reads it and cancels it.
Seen RunDialog(const std::string& device, const PresentPortsView& present) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&controls);
  Seen seen;
  g_seen = &seen;
  CSettingDlg dlg;
  dlg.SetPortNo(3);
  dlg.SetBaudRate(57600);
  dlg.SetDevice(device);
  dlg.SetPresentPorts(present);
  const UINT_PTR timer = SetTimer(nullptr, 0, kLookAfterMs, LookAtDialog);
  const INT_PTR result = dlg.DoModal(GetModuleHandleW(nullptr), nullptr);
  KillTimer(nullptr, timer);
  g_seen = nullptr;
  EXPECT_EQ(result, IDCANCEL);
  EXPECT_EQ(dlg.GetPortNo(), 3) << "cancelled: the number stays";
  return seen;
}

PresentPortsView ThreePorts() {
  return {std::string(texts::kSettingPortsHeading),
          {{"1", "COM1", ""},
           {"3", "COM3", "FTDI FT232R USB UART"},
           {"12", "COM12", "Prolific USB-to-Serial Comm Port with a long name"}},
          {}};
}

TEST(SettingDialogTest, ListsThePortsPresentBelowTheFieldsEveryColumnWhole) {
  const Seen seen = RunDialog({}, ThreePorts());
  ASSERT_TRUE(seen.ran) << "the dialog was not made";
  EXPECT_TRUE(seen.headingShown);
  EXPECT_EQ(seen.heading, texts::kSettingPortsHeading);
  EXPECT_FALSE(seen.deviceShown);
  ASSERT_TRUE(seen.listShown);
  EXPECT_EQ(seen.headers,
            (std::array<std::string, 3>{std::string(texts::kSettingPortsNumber),
                                        std::string(texts::kSettingPortsName),
                                        std::string(texts::kSettingPortsDescription)}));
  ASSERT_EQ(seen.rows.size(), 3u);
  EXPECT_EQ(seen.rows[0], (std::array<std::string, 3>{"1", "COM1", ""}));
  EXPECT_EQ(seen.rows[1], (std::array<std::string, 3>{"3", "COM3", "FTDI FT232R USB UART"}));
  EXPECT_EQ(seen.rows[2][0], "12");
  EXPECT_EQ(seen.rows[2][2], "Prolific USB-to-Serial Comm Port with a long name");
  // No note when every port has a number.
  EXPECT_FALSE(seen.noteShown);

  // Below the fields, inside the dialog, which grew down and to the right for the columns.
  EXPECT_GE(seen.headingPlace.top, seen.baudRate.bottom);
  EXPECT_GE(seen.listPlace.top, seen.headingPlace.bottom);
  EXPECT_LE(seen.listPlace.right, seen.client.cx);
  EXPECT_LE(seen.listPlace.bottom, seen.client.cy);
  EXPECT_GT(seen.client.cy, seen.templateClient.cy);
  EXPECT_GT(seen.client.cx, seen.templateClient.cx);
  // Every column whole, its heading too: read without scrolling sideways.
  EXPECT_LE(seen.columnsWidth, seen.listClientWidth);
  EXPECT_TRUE(seen.headingsWhole);
}

TEST(SettingDialogTest, DeviceRowThenPortsThenTheNote) {
  PresentPortsView present = ThreePorts();
  present.rows.push_back({std::string(texts::kSettingPortsNoNumber), "\\\\.\\CNCA0", ""});
  present.note = texts::kSettingPortsWithoutNumber;
  const Seen seen = RunDialog("\\\\.\\CNCA0", present);
  ASSERT_TRUE(seen.ran);
  EXPECT_TRUE(seen.deviceShown);
  EXPECT_GE(seen.headingPlace.top, seen.device.bottom);
  ASSERT_EQ(seen.rows.size(), 4u);
  EXPECT_EQ(seen.rows[3][0], texts::kSettingPortsNoNumber);
  EXPECT_TRUE(seen.noteShown);
  EXPECT_EQ(seen.note, texts::kSettingPortsWithoutNumber);
  EXPECT_GE(seen.notePlace.top, seen.listPlace.bottom);
  EXPECT_TRUE(seen.headingsWhole);
  EXPECT_LE(seen.notePlace.bottom, seen.client.cy);
}

TEST(SettingDialogTest, NoPortsSaysSoAndNothingShowsTheTemplateAsItIs) {
  const Seen none = RunDialog({}, {std::string(texts::kPortsNone), {}, {}});
  ASSERT_TRUE(none.ran);
  EXPECT_TRUE(none.headingShown);
  EXPECT_EQ(none.heading, texts::kPortsNone);
  EXPECT_FALSE(none.listShown);
  EXPECT_FALSE(none.noteShown);
  EXPECT_GT(none.client.cy, none.templateClient.cy);

  // Nothing to list (no heading given): the template's size, nothing added.
  const Seen plain = RunDialog({}, {});
  ASSERT_TRUE(plain.ran);
  EXPECT_FALSE(plain.headingShown);
  EXPECT_FALSE(plain.listShown);
  EXPECT_EQ(plain.client.cx, plain.templateClient.cx);
  EXPECT_EQ(plain.client.cy, plain.templateClient.cy);
}

}  // namespace
}  // namespace q7310::win32
