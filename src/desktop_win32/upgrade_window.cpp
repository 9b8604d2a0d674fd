#include "desktop_win32/upgrade_window.h"

#include <commctrl.h>

#include <array>
#include <utility>

#include "app/texts.h"
#include "desktop_win32/about_dialog.h"
#include "desktop_win32/frame_message.h"
#include "desktop_win32/open_file_dialog.h"
#include "desktop_win32/resource.h"
#include "desktop_win32/setting_dialog.h"
#include "desktop_win32/window_size.h"
#include "desktop_win32/window_text.h"
#include "util/wide_text.h"

namespace q7310::win32 {
namespace {

// The template's area and, below it, the status line, in dialog units.
constexpr int kClientWidth = 291;
constexpr int kClientHeight = 167;
constexpr int kNoticeHeight = 12;
constexpr int kSystemCommandMask = 0xFFF0;

constexpr std::array<ControlText, 7> kControlTexts = {{
    {IDC_BACKUP, texts::kButtonBackup},
    {IDC_ARROW1, texts::kArrow},
    {IDC_UPDATE, texts::kButtonUpdate},
    {IDC_ARROW2, texts::kArrow},
    {IDC_RESTORE, texts::kButtonRestore},
    {IDC_CAUTION_TITLE, texts::kCautionTitle},
    {IDC_CAUTION_TEXT, texts::kMainCaution},
}};

HICON LoadProgramIcon(HINSTANCE instance, int sizeMetric) {
  const int size = GetSystemMetrics(sizeMetric);
  return static_cast<HICON>(
      LoadImageW(instance, MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON, size, size, 0));
}

void AppendItem(HMENU menu, UINT_PTR id, std::string_view text, UINT flags = MF_STRING) {
  AppendMenuW(menu, flags, id, Widen(std::string(text)).c_str());
}

}  // namespace

UpgradeWindow::UpgradeWindow(HINSTANCE instance, Session& session)
    : m_instance(instance), m_presenter(*this, &m_portMemory, session) {}

UpgradeWindow::~UpgradeWindow() {
  if (m_hwnd != nullptr) DestroyWindow(m_hwnd);
  Shutdown();
  if (m_hIcon != nullptr) DestroyIcon(m_hIcon);
  if (m_hSmallIcon != nullptr) DestroyIcon(m_hSmallIcon);
}

bool UpgradeWindow::Create(int showCommand, int portNo, bool portNamed) {
  if (CreateDialogParamW(m_instance, MAKEINTRESOURCEW(IDD_UPGRADE), nullptr, DialogProc,
                         reinterpret_cast<LPARAM>(this)) == nullptr) {
    return false;
  }
  ShowWindow(m_hwnd, showCommand);
  UpdateWindow(m_hwnd);
  // Opened once the window is up, so that a port error's message box has its owner on screen.
  m_presenter.Start(portNo, portNamed);
  return true;
}

int UpgradeWindow::Run() {
  MSG msg{};
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    // The dialog keys (Tab, Enter, Escape) for both windows.
    const HWND progress = m_progress.Handle();
    if (progress != nullptr && IsWindow(progress) && IsDialogMessageW(progress, &msg)) continue;
    if (m_hwnd != nullptr && IsDialogMessageW(m_hwnd, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}

INT_PTR CALLBACK UpgradeWindow::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* self = reinterpret_cast<UpgradeWindow*>(lParam);
    SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
    self->m_hwnd = hwnd;
    self->OnInitDialog();
    return TRUE;
  }
  auto* self = reinterpret_cast<UpgradeWindow*>(GetWindowLongPtrW(hwnd, DWLP_USER));
  if (self == nullptr) return FALSE;
  const INT_PTR result = self->OnMessage(message, wParam, lParam);
  if (message == WM_NCDESTROY) self->m_hwnd = nullptr;
  return result;
}

void UpgradeWindow::OnInitDialog() {
  SetText(m_hwnd, texts::kMainCaption);
  SetItemTexts(m_hwnd, kControlTexts);
  BuildMenus();
  m_cautionTitle.SetLabelTextColor(kColorRed);
  m_cautionText.SetLabelTextColor(kColorRed);
  m_progress.CreateModeless(m_instance, m_hwnd);
  FitWindow();
}

void UpgradeWindow::BuildMenus() {
  const HMENU file = CreatePopupMenu();
  AppendItem(file, ID_FILE_OPEN_FIRMWARE, texts::kMenuOpenFirmware);
  AppendMenuW(file, MF_SEPARATOR, 0, nullptr);
  AppendItem(file, ID_FILE_EXIT, texts::kMenuExit);
  const HMENU option = CreatePopupMenu();
  AppendItem(option, ID_OPTION_SETTING, texts::kMenuSetting);
  AppendItem(option, ID_OPTION_RESTORE_FROM, texts::kMenuRestoreFrom);
  AppendItem(option, ID_OPTION_VERIFY, texts::kMenuVerify);
  m_menu = CreateMenu();
  AppendItem(m_menu, reinterpret_cast<UINT_PTR>(file), texts::kMenuFile, MF_POPUP);
  AppendItem(m_menu, reinterpret_cast<UINT_PTR>(option), texts::kMenuOption, MF_POPUP);
  SetMenu(m_hwnd, m_menu);

  if (const HMENU system = GetSystemMenu(m_hwnd, FALSE); system != nullptr) {
    AppendMenuW(system, MF_SEPARATOR, 0, nullptr);
    AppendItem(system, IDM_ABOUTBOX, texts::kAboutMenuItem);
  }

  m_hIcon = LoadProgramIcon(m_instance, SM_CXICON);
  m_hSmallIcon = LoadProgramIcon(m_instance, SM_CXSMICON);
  SendMessageW(m_hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
  SendMessageW(m_hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hSmallIcon));
}

void UpgradeWindow::FitWindow() {
  // The template's client area plus the status line, with the menu bar added above it; centred
  // again on the screen's work area.
  const SIZE size = WindowSizeForClient(m_hwnd, kClientWidth, kClientHeight + kNoticeHeight);
  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  SetWindowPos(m_hwnd, nullptr, work.left + (work.right - work.left - size.cx) / 2,
               work.top + (work.bottom - work.top - size.cy) / 2, size.cx, size.cy, SWP_NOZORDER);
}

INT_PTR UpgradeWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      if (HIWORD(wParam) != BN_CLICKED) return FALSE;  // menu items come as 0 too
      OnCommand(LOWORD(wParam));
      return TRUE;
    case WM_SYSCOMMAND:
      if ((wParam & kSystemCommandMask) == IDM_ABOUTBOX) {
        ShowAboutBox(m_instance, m_hwnd, m_presenter.AppFolder());
        return TRUE;
      }
      return FALSE;
    case WM_TIMER:
      m_presenter.OnTimer(static_cast<unsigned>(wParam));
      return TRUE;
    case WM_COMM_FRAME: {
      const PostedFrame frame = TakeFrameMessage(wParam, lParam);
      m_presenter.OnFrame(frame.status, *frame.bytes);
      return TRUE;
    }
    case WM_COMM_CANCEL:
      m_presenter.OnCancel();
      return TRUE;
    case WM_CTLCOLORSTATIC:
      return reinterpret_cast<INT_PTR>(
          OnCtlColorStatic(reinterpret_cast<HWND>(lParam), reinterpret_cast<HDC>(wParam)));
    case WM_CLOSE:
      RequestClose();
      return TRUE;
    case WM_DESTROY:
      Shutdown();
      PostQuitMessage(0);
      return TRUE;
    default:
      return FALSE;
  }
}

void UpgradeWindow::OnCommand(int id) {
  switch (id) {
    case IDC_BACKUP:
      m_presenter.OnBackup();
      break;
    case IDC_UPDATE:
      m_presenter.OnUpdate();
      break;
    case IDC_RESTORE:
      m_presenter.OnRestore();
      break;
    case ID_OPTION_SETTING:
      m_presenter.OnSetting();
      break;
    case ID_OPTION_RESTORE_FROM:
      m_presenter.OnRestoreFromSaved();
      break;
    case ID_OPTION_VERIFY:
      m_presenter.OnVerify();
      break;
    case ID_FILE_OPEN_FIRMWARE:
      m_presenter.OnOpenFirmware();
      break;
    case ID_FILE_EXIT:
    case IDOK:      // Enter, where no control takes it
    case IDCANCEL:  // Escape
      RequestClose();
      break;
    default:
      break;
  }
}

HBRUSH UpgradeWindow::OnCtlColorStatic(HWND control, HDC dc) {
  switch (GetDlgCtrlID(control)) {
    case IDC_CAUTION_TITLE:
      return m_cautionTitle.OnCtlColor(dc);
    case IDC_CAUTION_TEXT:
      return m_cautionText.OnCtlColor(dc);
    case IDC_BACKUP_NOTICE:
      // A notice of failure in the caution colour, on the button face.
      return m_statusFailure ? m_cautionText.OnCtlColor(dc) : nullptr;
    default:
      return nullptr;
  }
}

void UpgradeWindow::RequestClose() {
  if (m_presenter.MayClose()) DestroyWindow(m_hwnd);
}

void UpgradeWindow::Shutdown() {
  m_presenter.Shutdown();
  // The receive thread has ended: what it posted last is freed here.
  DiscardQueuedFrames(m_hwnd);
}

void UpgradeWindow::ShowStage(const StageView& view) {
  EnableWindow(GetDlgItem(m_hwnd, IDC_BACKUP), view.backupEnabled);
  EnableWindow(GetDlgItem(m_hwnd, IDC_UPDATE), view.updateEnabled);
  EnableWindow(GetDlgItem(m_hwnd, IDC_RESTORE), view.restoreEnabled);
  ShowInstructions(view.instructions);
  EnableMenuCommand(ID_OPTION_SETTING, view.settingEnabled);
  EnableMenuCommand(ID_OPTION_RESTORE_FROM, view.restoreFromEnabled);
  EnableMenuCommand(ID_OPTION_VERIFY, view.verifyEnabled);
  SetItemText(m_hwnd, IDC_CAUTION_TITLE, view.cautionTitle);
  SetItemText(m_hwnd, IDC_CAUTION_TEXT, view.cautionText);
  KeepFocusUsable();
}

void UpgradeWindow::EnableMenuCommand(int id, bool enabled) {
  EnableMenuItem(m_menu, static_cast<UINT>(id), MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
}

void UpgradeWindow::ShowInstructions(std::string_view lines) {
  // A multi-line edit control breaks lines at "\r\n", the separator the lines come with.
  SetItemText(m_hwnd, IDC_GUIDE, lines);
}

void UpgradeWindow::ShowStatus(const StatusLine& line) {
  m_statusFailure = line.failure;
  SetItemText(m_hwnd, IDC_BACKUP_NOTICE, line.text);
}

void UpgradeWindow::KeepFocusUsable() {
  // Only while this window is the active one: otherwise the focus belongs to another window.
  if (m_hwnd == nullptr || GetActiveWindow() != m_hwnd) return;
  const HWND focus = GetFocus();
  if (focus == nullptr || !IsChild(m_hwnd, focus) || !IsWindowEnabled(focus)) {
    SendMessageW(m_hwnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(m_hwnd, IDC_GUIDE)),
                 TRUE);
  }
}

bool UpgradeWindow::ShowMessage(const MessageBoxView& box) {
  if (!box.offer.empty()) return ShowOfferBox(box);
  MessageBoxUtf8(m_hwnd, box.text, box.detail, box.caption,
                 MB_OK | (box.error ? MB_ICONEXCLAMATION : MB_ICONINFORMATION));
  return false;
}

bool UpgradeWindow::ShowOfferBox(const MessageBoxView& box) {
  const std::wstring content = Widen(std::string(box.text));
  const std::wstring caption = Widen(std::string(box.caption));
  const std::wstring offerText = Widen(std::string(box.offer));
  const TASKDIALOG_BUTTON offer{IDC_VERIFY, offerText.c_str()};
  TASKDIALOGCONFIG dialog{};
  dialog.cbSize = sizeof dialog;
  dialog.hwndParent = m_hwnd;
  dialog.dwFlags = TDF_ALLOW_DIALOG_CANCELLATION;
  dialog.dwCommonButtons = TDCBF_OK_BUTTON;
  dialog.pszWindowTitle = caption.c_str();
  dialog.pszMainIcon = box.error ? TD_WARNING_ICON : TD_INFORMATION_ICON;
  dialog.pszContent = content.c_str();
  dialog.cButtons = 1;
  dialog.pButtons = &offer;
  dialog.nDefaultButton = IDOK;
  int pressed = IDOK;
  if (FAILED(TaskDialogIndirect(&dialog, &pressed, nullptr, nullptr))) {
    // Without the common controls' task dialog: the plain box, without the offer.
    MessageBoxView plain = box;
    plain.offer = {};
    return ShowMessage(plain);
  }
  return pressed == IDC_VERIFY;
}

bool UpgradeWindow::Ask(const Question& question) {
  return MessageBoxUtf8(m_hwnd, question.text, question.detail, question.caption,
                        MB_YESNO | MB_ICONQUESTION | (question.noIsDefault ? MB_DEFBUTTON2 : 0)) ==
         IDYES;
}

std::string UpgradeWindow::ChooseFile(const FileRequest& request) {
  return ChooseFileToOpen(m_hwnd, request.caption, request.filter, request.folder);
}

int UpgradeWindow::RunSettingDialog(const PortSettingView& setting) {
  CSettingDlg dlg;
  dlg.SetPortNo(setting.portNo);
  dlg.SetBaudRate(setting.baudRate);
  dlg.SetDevice(setting.device);
  dlg.SetPresentPorts(setting.present);
  dlg.DoModal(m_instance, m_hwnd);
  return dlg.GetPortNo();
}

void UpgradeWindow::ShowProgress(bool visible) {
  m_progress.Show(visible);
  if (!visible && m_hwnd != nullptr) {
    // The operation's end gives the keyboard back to this window, as closing a dialog does.
    if (GetActiveWindow() != m_hwnd && IsWindowVisible(m_hwnd)) SetActiveWindow(m_hwnd);
    KeepFocusUsable();
  }
}

void UpgradeWindow::SetTimer(unsigned id, unsigned periodMs) {
  ::SetTimer(m_hwnd, id, periodMs, nullptr);
}

void UpgradeWindow::KillTimer(unsigned id) {
  ::KillTimer(m_hwnd, id);
}

void UpgradeWindow::QueueFrame(uint32_t status, std::vector<uint8_t> frame) {
  PostFrameMessage(m_hwnd, status, std::move(frame));
}

}  // namespace q7310::win32
