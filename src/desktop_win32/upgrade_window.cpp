#include "desktop_win32/upgrade_window.h"

#include <commctrl.h>

#include <array>
#include <cstdio>
#include <vector>

#include "app/close_guard.h"
#include "app/firmware_choice.h"
#include "app/numbered_format.h"
#include "app/restore_from_summary.h"
#include "app/texts.h"
#include "desktop_win32/about_dialog.h"
#include "desktop_win32/frame_message.h"
#include "desktop_win32/open_file_dialog.h"
#include "desktop_win32/port_registry.h"
#include "desktop_win32/resource.h"
#include "desktop_win32/setting_dialog.h"
#include "desktop_win32/window_text.h"
#include "desktop_win32/window_view.h"
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

CUpgradeWindow::CUpgradeWindow(HINSTANCE instance, Session& session)
    : m_instance(instance), m_session(session), m_core(session.MakeController(*this)) {}

CUpgradeWindow::~CUpgradeWindow() {
  if (m_hwnd != nullptr) DestroyWindow(m_hwnd);
  Shutdown();
  if (m_hIcon != nullptr) DestroyIcon(m_hIcon);
  if (m_hSmallIcon != nullptr) DestroyIcon(m_hSmallIcon);
}

bool CUpgradeWindow::Create(int showCommand) {
  if (CreateDialogParamW(m_instance, MAKEINTRESOURCEW(IDD_UPGRADE), nullptr, DialogProc,
                         reinterpret_cast<LPARAM>(this)) == nullptr) {
    return false;
  }
  ShowWindow(m_hwnd, showCommand);
  UpdateWindow(m_hwnd);
  // Opened once the window is up, so that a port error's message box has its owner on screen.
  m_core->OnInitDialog(*this, m_session.PortNo());
  RememberPortIfOpen();
  return true;
}

int CUpgradeWindow::Run() {
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

INT_PTR CALLBACK CUpgradeWindow::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* self = reinterpret_cast<CUpgradeWindow*>(lParam);
    SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
    self->m_hwnd = hwnd;
    self->OnInitDialog();
    return TRUE;
  }
  auto* self = reinterpret_cast<CUpgradeWindow*>(GetWindowLongPtrW(hwnd, DWLP_USER));
  if (self == nullptr) return FALSE;
  const INT_PTR result = self->OnMessage(message, wParam, lParam);
  if (message == WM_NCDESTROY) self->m_hwnd = nullptr;
  return result;
}

void CUpgradeWindow::OnInitDialog() {
  SetText(m_hwnd, texts::kMainCaption);
  SetItemTexts(m_hwnd, kControlTexts);
  BuildMenus();
  m_cautionTitle.SetLabelTextColor(kColorRed);
  m_cautionText.SetLabelTextColor(kColorRed);
  m_progress.CreateModeless(m_instance, m_hwnd);
  FitWindow();
}

void CUpgradeWindow::BuildMenus() {
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

void CUpgradeWindow::FitWindow() {
  // The template's client area plus the status line, with the menu bar added above it; centred
  // again on the screen's work area.
  RECT client{0, 0, kClientWidth, kClientHeight + kNoticeHeight};
  MapDialogRect(m_hwnd, &client);
  const auto style = static_cast<DWORD>(GetWindowLongPtrW(m_hwnd, GWL_STYLE));
  const auto exStyle = static_cast<DWORD>(GetWindowLongPtrW(m_hwnd, GWL_EXSTYLE));
  AdjustWindowRectEx(&client, style, TRUE, exStyle);
  const int width = client.right - client.left;
  const int height = client.bottom - client.top;
  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  SetWindowPos(m_hwnd, nullptr, work.left + (work.right - work.left - width) / 2,
               work.top + (work.bottom - work.top - height) / 2, width, height, SWP_NOZORDER);
}

INT_PTR CUpgradeWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      if (HIWORD(wParam) != BN_CLICKED) return FALSE;  // menu items come as 0 too
      OnCommand(LOWORD(wParam));
      return TRUE;
    case WM_SYSCOMMAND:
      if ((wParam & kSystemCommandMask) == IDM_ABOUTBOX) {
        ShowAboutBox(m_instance, m_hwnd, m_core->AppFolder());
        return TRUE;
      }
      return FALSE;
    case WM_TIMER:
      m_core->OnTimer(static_cast<unsigned>(wParam));
      return TRUE;
    case WM_COMM_FRAME: {
      const PostedFrame frame = TakeFrameMessage(wParam, lParam);
      m_core->OnFrameReceived(frame.status, *frame.bytes);
      return TRUE;
    }
    case WM_COMM_CANCEL:
      m_core->OnCommCancel();
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

void CUpgradeWindow::OnCommand(int id) {
  switch (id) {
    case IDC_BACKUP:
      m_core->OnBackup();
      // The notice speaks of the previous backup; the one now running brings its own.
      if (m_core->Mode() == CUpgradeDlg::kBackup) SetNotice({}, false);
      break;
    case IDC_UPDATE:
      m_core->OnUpdate();
      break;
    case IDC_RESTORE:
      m_core->OnRestore();
      break;
    case ID_OPTION_SETTING:
      m_core->OnSetting();
      RememberPortIfOpen();
      break;
    case ID_OPTION_RESTORE_FROM:
      RestoreFromSaved();
      break;
    case ID_OPTION_VERIFY:
      VerifySettings();
      break;
    case ID_FILE_OPEN_FIRMWARE:
      OpenFirmware();
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

HBRUSH CUpgradeWindow::OnCtlColorStatic(HWND control, HDC dc) {
  switch (GetDlgCtrlID(control)) {
    case IDC_CAUTION_TITLE:
      return m_cautionTitle.OnCtlColor(dc);
    case IDC_CAUTION_TEXT:
      return m_cautionText.OnCtlColor(dc);
    case IDC_BACKUP_NOTICE:
      // A notice of failure in the caution colour, on the button face.
      return m_noticeFailure ? m_cautionText.OnCtlColor(dc) : nullptr;
    default:
      return nullptr;
  }
}

void CUpgradeWindow::RequestClose() {
  switch (DecideClose(m_core->CanClose(), m_core->Stage())) {
    case CloseStep::kRefuse:
      return;
    case CloseStep::kAskFirst:
      if (MessageBoxUtf8(m_hwnd, CloseQuestion(m_keptPath, m_keptError), {}, texts::kCaptionConfirm,
                         MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES) {
        return;
      }
      break;
    case CloseStep::kClose:
      break;
  }
  DestroyWindow(m_hwnd);
}

void CUpgradeWindow::RestoreFromSaved() {
  if (m_core->Mode() != CUpgradeDlg::kIdle) return;
  const std::string path = ChooseFileToOpen(m_hwnd, texts::kRestoreFromCaption,
                                            texts::kRestoreFromFilter, m_core->HistoryFolder());
  if (path.empty()) return;
  if (MessageBoxUtf8(m_hwnd, texts::kRestoreFromConfirm, RestoreFromSummary(path),
                     texts::kRestoreFromCaption,
                     MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES) {
    return;
  }
  const std::string before = GetItemText(m_hwnd, IDC_GUIDE);
  SetItemText(m_hwnd, IDC_GUIDE, CUpgradeDlg::GuidanceFor(kStageRestore).instructions);
  m_guideBeforeRestore = before;
  m_core->OnRestoreFrom(path);
  // A file that could not be read ends it before it starts.
  if (m_core->Mode() == CUpgradeDlg::kIdle && m_guideBeforeRestore) {
    SetItemText(m_hwnd, IDC_GUIDE, *m_guideBeforeRestore);
    m_guideBeforeRestore.reset();
  }
}

void CUpgradeWindow::OpenFirmware() {
  if (m_core->Mode() != CUpgradeDlg::kIdle) return;
  const std::string source =
      ChooseFileToOpen(m_hwnd, texts::kOpenFirmwareCaption, texts::kOpenFirmwareFilter);
  if (source.empty()) return;
  const std::string folder = m_core->AppFolder();
  std::string error;
  switch (CompareFirmwareFile(source, folder, &error)) {
    case FirmwareInFolder::Same:
      return;
    case FirmwareInFolder::Different: {
      const std::string target = NativePath(m_core->GetAppFilePath(texts::kFirmwareFile));
      if (MessageBoxUtf8(m_hwnd, target + std::string(texts::kOpenFirmwareReplace), {},
                         texts::kOpenFirmwareCaption, MB_YESNO | MB_ICONQUESTION) != IDYES) {
        return;
      }
      break;
    }
    case FirmwareInFolder::Absent:
      break;
    case FirmwareInFolder::Unreadable:
      ShowMessage(MessageKind::Error, texts::kOpenFirmwareFailed, error);
      return;
  }
  const std::string written = CopyFirmwareFile(source, folder, &error);
  if (written.empty()) {
    ShowMessage(MessageKind::Error, texts::kOpenFirmwareFailed, error);
    return;
  }
  MessageBoxUtf8(m_hwnd, std::string(texts::kOpenFirmwareCopied) + NativePath(written), {},
                 texts::kOpenFirmwareCaption, MB_OK | MB_ICONINFORMATION);
}

void CUpgradeWindow::VerifySettings() {
  const std::string& restored = m_core->LastRestoreSource();
  m_core->OnVerifyFrom(restored.empty() ? m_core->GetAppFilePath(texts::kBackupFile) : restored);
}

void CUpgradeWindow::RememberPortIfOpen() {
  if (m_core->Stage() != 0) {
    SaveRememberedPort({m_core->PortNo(), m_session.Serial().ExplicitDevicePath()});
  }
}

void CUpgradeWindow::SetTimer(unsigned id, unsigned periodMs) {
  ::SetTimer(m_hwnd, id, periodMs, nullptr);
  m_timers.insert(id);
}

void CUpgradeWindow::KillTimer(unsigned id) {
  ::KillTimer(m_hwnd, id);
  m_timers.erase(id);
}

void CUpgradeWindow::ShowMessage(MessageKind kind, std::string_view text, std::string_view detail) {
  const bool error = kind == MessageKind::Error;
  MessageBoxUtf8(m_hwnd, text, detail, error ? texts::kCaptionError : texts::kCaptionComplete,
                 MB_OK | (error ? MB_ICONEXCLAMATION : MB_ICONINFORMATION));
}

bool CUpgradeWindow::ShowRestoreComplete(std::string_view text) {
  const std::wstring content = Widen(std::string(text));
  const std::wstring caption = Widen(std::string(texts::kCaptionComplete));
  const std::wstring verifyText = Widen(std::string(texts::kButtonVerify));
  const TASKDIALOG_BUTTON verify{IDC_VERIFY, verifyText.c_str()};
  TASKDIALOGCONFIG box{};
  box.cbSize = sizeof box;
  box.hwndParent = m_hwnd;
  box.dwFlags = TDF_ALLOW_DIALOG_CANCELLATION;
  box.dwCommonButtons = TDCBF_OK_BUTTON;
  box.pszWindowTitle = caption.c_str();
  box.pszMainIcon = TD_INFORMATION_ICON;
  box.pszContent = content.c_str();
  box.cButtons = 1;
  box.pButtons = &verify;
  box.nDefaultButton = IDOK;
  int pressed = IDOK;
  if (FAILED(TaskDialogIndirect(&box, &pressed, nullptr, nullptr))) {
    // Without the common controls' task dialog: the plain box, without the offer.
    ShowMessage(MessageKind::Complete, text, {});
    return false;
  }
  return pressed == IDC_VERIFY;
}

void CUpgradeWindow::SetProgressTitle(std::string_view title) {
  m_progress.SetTitle(title);
}

void CUpgradeWindow::SetProgressMessage(std::string_view text) {
  m_progress.SetMessage(text);
}

void CUpgradeWindow::SetProgressPercent(int percent) {
  m_progress.SetPercent(percent);
}

void CUpgradeWindow::ShowProgress(bool visible) {
  m_progress.Show(visible);
  if (!visible) {
    // The operation's end gives the keyboard back to this window, as closing a dialog does.
    if (GetActiveWindow() != m_hwnd && IsWindowVisible(m_hwnd)) SetActiveWindow(m_hwnd);
    KeepFocusUsable();
  }
  if (!visible && m_guideBeforeRestore) {
    SetItemText(m_hwnd, IDC_GUIDE, *m_guideBeforeRestore);
    m_guideBeforeRestore.reset();
  }
}

void CUpgradeWindow::ApplyGuidance(const Guidance& guidance) {
  m_guideBeforeRestore.reset();
  const MainWindowView view = ViewOf(guidance);
  EnableWindow(GetDlgItem(m_hwnd, IDC_BACKUP), view.backupEnabled);
  EnableWindow(GetDlgItem(m_hwnd, IDC_UPDATE), view.updateEnabled);
  EnableWindow(GetDlgItem(m_hwnd, IDC_RESTORE), view.restoreEnabled);
  SetItemText(m_hwnd, IDC_GUIDE, view.instructions);
  EnableMenuItem(m_menu, ID_OPTION_SETTING,
                 MF_BYCOMMAND | (view.settingEnabled ? MF_ENABLED : MF_GRAYED));
  EnableMenuItem(m_menu, ID_OPTION_RESTORE_FROM,
                 MF_BYCOMMAND | (view.restoreFromEnabled ? MF_ENABLED : MF_GRAYED));
  EnableMenuItem(m_menu, ID_OPTION_VERIFY,
                 MF_BYCOMMAND | (view.verifyEnabled ? MF_ENABLED : MF_GRAYED));
  SetItemText(m_hwnd, IDC_CAUTION_TITLE, view.cautionTitle);
  SetItemText(m_hwnd, IDC_CAUTION_TEXT, view.cautionText);
  KeepFocusUsable();
}

void CUpgradeWindow::KeepFocusUsable() {
  // Only while this window is the active one: otherwise the focus belongs to another window.
  if (GetActiveWindow() != m_hwnd) return;
  const HWND focus = GetFocus();
  if (focus == nullptr || !IsChild(m_hwnd, focus) || !IsWindowEnabled(focus)) {
    SendMessageW(m_hwnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(m_hwnd, IDC_GUIDE)),
                 TRUE);
  }
}

int CUpgradeWindow::RunSettingDialog(int portNo, int baudRate) {
  CSettingDlg dlg;
  dlg.SetPortNo(portNo);
  dlg.SetBaudRate(baudRate);
  dlg.SetDevice(m_session.Serial().ExplicitDevicePath());
  dlg.DoModal(m_instance, m_hwnd);
  // Another port number replaces the device in use; otherwise the device would still be opened
  // and the number the operator chose silently ignored.
  if (dlg.GetPortNo() != portNo) m_session.Serial().SetDevicePath({});
  return dlg.GetPortNo();
}

void CUpgradeWindow::OnBackupKept(std::string_view path, std::string_view error) {
  m_keptPath = NativePath(path);
  m_keptError = error;
  if (m_keptPath.empty()) {
    SetNotice(FormatNumbered(texts::kFmtBackupNotKept,
                             {m_keptError.empty() ? texts::kReasonUnknown : m_keptError}),
              true);
  } else {
    SetNotice(FormatNumbered(texts::kFmtBackupKept, {m_keptPath}), false);
  }
}

void CUpgradeWindow::SetNotice(const std::string& text, bool failure) {
  m_noticeFailure = failure;
  SetItemText(m_hwnd, IDC_BACKUP_NOTICE, text);
}

void CUpgradeWindow::OnProtocolEvent(ProtocolEvent event, std::string_view detail) {
  if (ProtocolTrace* trace = m_session.Trace(); trace != nullptr) trace->OnEvent(event, detail);
}

void CUpgradeWindow::PostFrame(uint32_t status, std::vector<uint8_t> frame) {
  if (ProtocolTrace* trace = m_session.Trace(); trace != nullptr) trace->OnReceived(status, frame);
  PostFrameMessage(m_hwnd, status, std::move(frame));
}

void CUpgradeWindow::Shutdown() {
  if (m_shutDown) return;
  m_shutDown = true;
  for (const unsigned id : m_timers) ::KillTimer(m_hwnd, id);
  m_timers.clear();
  if (m_progress.Handle() != nullptr) m_progress.Show(false);
  const std::vector<std::string> kept = m_core->OnDestroy();
  // The receive thread has ended: what it posted last is freed here.
  DiscardQueuedFrames(m_hwnd);
  for (const std::string& path : kept) {
    std::fprintf(stderr, "q7310-upgrade: could not delete %s\n", path.c_str());
  }
}

}  // namespace q7310::win32
