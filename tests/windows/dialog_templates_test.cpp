// The dialog templates as windres builds them into the program: each control's id, place and
// size in dialog units, and the styles that matter, read back from the compiled resources
// (DLGTEMPLATEEX) without making a window.
#include <gtest/gtest.h>
#include <windows.h>
// After <windows.h>, which it needs.
#include <commctrl.h>

#include <cstring>
#include <map>

#include "desktop_win32/resource.h"

namespace q7310::win32 {
namespace {

struct Control {
  DWORD style = 0;
  DWORD exStyle = 0;
  short x = 0, y = 0, cx = 0, cy = 0;
};

struct Template {
  DWORD style = 0;
  DWORD exStyle = 0;
  short cx = 0, cy = 0;
  std::wstring font;
  WORD pointSize = 0;
  std::map<int, Control> controls;  // by id; controls without an id (-1) are left out
};

// Skips a name-or-ordinal field: 0, 0xFFFF and a number, or a NUL-ended wide string.
const WORD* SkipNameOrOrdinal(const WORD* p) {
  if (*p == 0xFFFF) return p + 2;
  while (*p != 0) ++p;
  return p + 1;
}

const BYTE* AlignToDword(const BYTE* base, const BYTE* p) {
  return base + ((p - base + 3) & ~static_cast<ptrdiff_t>(3));
}

template <typename T>
T Read(const BYTE*& p) {
  T value;
  std::memcpy(&value, p, sizeof value);
  p += sizeof value;
  return value;
}

Template Load(int id) {
  Template result;
  const HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(5));
  EXPECT_NE(found, nullptr) << "template " << id;
  if (found == nullptr) return result;
  const BYTE* base = static_cast<const BYTE*>(LockResource(LoadResource(nullptr, found)));
  const BYTE* p = base;
  EXPECT_EQ(Read<WORD>(p), 1);       // dlgVer
  EXPECT_EQ(Read<WORD>(p), 0xFFFF);  // signature: an extended template
  Read<DWORD>(p);                    // helpID
  result.exStyle = Read<DWORD>(p);
  result.style = Read<DWORD>(p);
  const WORD count = Read<WORD>(p);
  Read<short>(p);
  Read<short>(p);
  result.cx = Read<short>(p);
  result.cy = Read<short>(p);
  auto words = reinterpret_cast<const WORD*>(p);
  words = SkipNameOrOrdinal(words);  // menu
  words = SkipNameOrOrdinal(words);  // class
  words = SkipNameOrOrdinal(words);  // title
  p = reinterpret_cast<const BYTE*>(words);
  if (result.style & DS_SETFONT) {
    result.pointSize = Read<WORD>(p);
    Read<WORD>(p);  // weight
    Read<BYTE>(p);  // italic
    Read<BYTE>(p);  // charset
    result.font = reinterpret_cast<const wchar_t*>(p);
    p += (result.font.size() + 1) * sizeof(wchar_t);
  }
  for (WORD i = 0; i < count; ++i) {
    p = AlignToDword(base, p);
    Read<DWORD>(p);  // helpID
    Control control;
    control.exStyle = Read<DWORD>(p);
    control.style = Read<DWORD>(p);
    control.x = Read<short>(p);
    control.y = Read<short>(p);
    control.cx = Read<short>(p);
    control.cy = Read<short>(p);
    const auto controlId = static_cast<int>(Read<DWORD>(p));
    words = SkipNameOrOrdinal(reinterpret_cast<const WORD*>(p));  // class
    words = SkipNameOrOrdinal(words);                             // text
    p = reinterpret_cast<const BYTE*>(words);
    p += Read<WORD>(p);  // creation data
    if (controlId != -1 && controlId != 0xFFFF) result.controls[controlId] = control;
  }
  return result;
}

void ExpectPlace(const Template& t, int id, short x, short y, short cx, short cy) {
  ASSERT_EQ(t.controls.count(id), 1u) << "control " << id;
  const Control& c = t.controls.at(id);
  EXPECT_EQ(c.x, x) << id;
  EXPECT_EQ(c.y, y) << id;
  EXPECT_EQ(c.cx, cx) << id;
  EXPECT_EQ(c.cy, cy) << id;
}

bool Has(DWORD style, DWORD bits) {
  return (style & bits) == bits;
}

TEST(DialogTemplatesTest, MainWindow) {
  const Template t = Load(IDD_UPGRADE);
  EXPECT_EQ(t.cx, 291);
  EXPECT_EQ(t.cy, 167);
  EXPECT_EQ(t.font, L"MS Sans Serif");
  EXPECT_EQ(t.pointSize, 10);
  EXPECT_TRUE(Has(t.style, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME));
  EXPECT_TRUE(Has(t.exStyle, WS_EX_APPWINDOW));
  ExpectPlace(t, IDC_BACKUP, 30, 16, 57, 38);
  ExpectPlace(t, IDC_ARROW1, 94, 28, 16, 16);
  ExpectPlace(t, IDC_UPDATE, 116, 16, 57, 38);
  ExpectPlace(t, IDC_ARROW2, 180, 28, 16, 16);
  ExpectPlace(t, IDC_RESTORE, 202, 16, 57, 38);
  ExpectPlace(t, IDC_GUIDE, 14, 68, 261, 56);
  ExpectPlace(t, IDC_CAUTION_TITLE, 18, 132, 37, 13);
  ExpectPlace(t, IDC_CAUTION_TEXT, 57, 132, 212, 27);
  for (int button : {IDC_BACKUP, IDC_UPDATE, IDC_RESTORE}) {
    EXPECT_TRUE(Has(t.controls.at(button).style, WS_DISABLED | WS_TABSTOP)) << button;
  }
  EXPECT_TRUE(Has(t.controls.at(IDC_ARROW1).style, SS_CENTER));
  EXPECT_TRUE(
      Has(t.controls.at(IDC_GUIDE).style, ES_MULTILINE | ES_READONLY | ES_WANTRETURN | WS_BORDER));
  for (int label : {IDC_CAUTION_TITLE, IDC_CAUTION_TEXT}) {
    EXPECT_TRUE(Has(t.controls.at(label).exStyle, WS_EX_TRANSPARENT)) << label;
  }
  // The status line lies below the template's area.
  EXPECT_GE(t.controls.at(IDC_BACKUP_NOTICE).y, t.cy);
}

TEST(DialogTemplatesTest, ProgressDialog) {
  const Template t = Load(IDD_COMM_PROGRESS);
  EXPECT_EQ(t.cx, 207);
  EXPECT_EQ(t.cy, 105);
  EXPECT_FALSE(t.style & WS_VISIBLE) << "created hidden";
  ExpectPlace(t, IDC_COMM_CANCEL, 79, 41, 50, 15);
  ExpectPlace(t, IDC_COMM_MESSAGE, 15, 15, 178, 17);
  ExpectPlace(t, IDC_CAUTION_TEXT, 51, 68, 144, 23);
  ExpectPlace(t, IDC_CAUTION_TITLE, 14, 68, 33, 14);
  EXPECT_EQ(IDC_COMM_CANCEL, 3) << "not the standard Cancel id 2";
  EXPECT_TRUE(Has(t.controls.at(IDC_COMM_MESSAGE).style, SS_CENTER | SS_CENTERIMAGE));
  // The progress bar sits between the Cancel button and the caution texts, hidden at first.
  const Control& bar = t.controls.at(IDC_COMM_PROGRESS);
  EXPECT_GE(bar.y, 41 + 15);
  EXPECT_LE(bar.y + bar.cy, 68);
  EXPECT_FALSE(bar.style & WS_VISIBLE);
}

TEST(DialogTemplatesTest, SettingDialog) {
  const Template t = Load(IDD_SETTING);
  EXPECT_EQ(t.cx, 177);
  EXPECT_EQ(t.cy, 64);
  ExpectPlace(t, IDOK, 120, 14, 50, 15);
  ExpectPlace(t, IDCANCEL, 120, 33, 50, 15);
  ExpectPlace(t, IDC_PORT_LABEL, 13, 13, 42, 12);
  ExpectPlace(t, IDC_PORT_NO, 56, 13, 34, 12);
  ExpectPlace(t, IDC_BAUD_LABEL, 13, 35, 41, 12);
  ExpectPlace(t, IDC_BAUDRATE, 56, 35, 34, 12);
  ExpectPlace(t, IDC_BPS_LABEL, 93, 36, 16, 10);
  EXPECT_TRUE(Has(t.controls.at(IDOK).style, BS_DEFPUSHBUTTON | WS_TABSTOP));
  EXPECT_TRUE(Has(t.controls.at(IDC_PORT_NO).style, ES_NUMBER | ES_AUTOHSCROLL | WS_TABSTOP));
  EXPECT_FALSE(t.controls.at(IDC_PORT_NO).style & ES_READONLY);
  EXPECT_TRUE(Has(t.controls.at(IDC_BAUDRATE).style, ES_READONLY | ES_AUTOHSCROLL | WS_TABSTOP));
  EXPECT_FALSE(t.controls.at(IDC_DEVICE).style & WS_VISIBLE) << "shown only with a device";
  // The ports present: placed and shown by the dialog when it has them.
  for (const int id : {IDC_PORTS_HEADING, IDC_PORTS_LIST, IDC_PORTS_NOTE}) {
    EXPECT_FALSE(t.controls.at(id).style & WS_VISIBLE) << id;
  }
  EXPECT_TRUE(Has(t.controls.at(IDC_PORTS_LIST).style, LVS_REPORT | LVS_NOSORTHEADER | WS_TABSTOP));
}

}  // namespace
}  // namespace q7310::win32
