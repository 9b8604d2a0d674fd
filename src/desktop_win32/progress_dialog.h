// CCommProgressDlg: the modeless window that shows what an operation is doing (template
// IDD_COMM_PROGRESS).
//
// Created hidden by the main window, which sets its caption and message line and shows or hides
// it. Two red caution texts; during an update a progress bar under the Cancel button. Cancel
// stops nothing itself: it posts WM_COMM_CANCEL to the owner, which handles it after the frames
// queued before it. Escape does the same; the close box is swallowed, so the window disappears
// only through its owner.
#pragma once

#include <windows.h>

#include <string_view>

#include "desktop_win32/caution_label.h"

namespace q7310::win32 {

class CCommProgressDlg {
 public:
  CCommProgressDlg() = default;
  CCommProgressDlg(const CCommProgressDlg&) = delete;
  CCommProgressDlg& operator=(const CCommProgressDlg&) = delete;

  // Makes the hidden window, owned by `owner`, which receives the cancels. False on failure.
  bool CreateModeless(HINSTANCE instance, HWND owner);
  HWND Handle() const { return m_hwnd; }

  void SetTitle(std::string_view title);
  void SetMessage(std::string_view text);
  // 0..100 shows the bar at that value; any other value hides it.
  void SetPercent(int percent);
  void Show(bool visible);

 private:
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void OnInitDialog();

  HWND m_hwnd = nullptr;
  HWND m_pOwner = nullptr;
  CCautionLabel m_cautionText;
  CCautionLabel m_cautionTitle;
};

}  // namespace q7310::win32
