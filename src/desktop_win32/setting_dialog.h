// CSettingDlg: the modal port settings dialog (Option > Setting, template IDD_SETTING).
//
// Shows the port number (digits only, at most four) and the baud rate (read-only), both filled
// from the values set whenever the dialog is shown. OK reads both fields back as unsigned
// decimal numbers (ReadUnsignedField: empty or non-numeric text gives 0); Cancel, Escape and
// the close box change nothing, so GetPortNo returns the value set. No range is checked: a port
// that cannot be opened is the main window's to report. An explicit device in use is shown
// read-only in one more row, and the serial ports present below it (a heading, a list of PORT
// NO., NAME and DESCRIPTION, a note), placed as the Qt dialog places them (LayOutSettingPorts):
// the dialog grows down and, as far as the list's columns need, to the right.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "app/upgrade_view.h"

namespace q7310::win32 {

class CSettingDlg {
 public:
  void SetPortNo(int32_t portNo) { m_portNo = portNo; }
  int32_t GetPortNo() const { return m_portNo; }
  void SetBaudRate(int32_t baudRate) { m_baudRate = baudRate; }
  int32_t GetBaudRate() const { return m_baudRate; }
  // Empty hides the DEVICE row.
  void SetDevice(std::string device) { m_device = std::move(device); }
  // The ports present; an empty heading (the default) shows none of them.
  void SetPresentPorts(PresentPortsView present) { m_present = std::move(present); }

  // Runs the dialog modally over `parent`; IDOK or IDCANCEL.
  INT_PTR DoModal(HINSTANCE instance, HWND parent);

 private:
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void OnInitDialog();
  void FillPortsList();
  // Places the DEVICE row and the ports present that have something to show, and sizes the
  // dialog to them around its centre.
  void LayOutAdditions();
  // The list's columns fitted to their contents; their width in dialog units.
  int FitColumns();
  void FillLastColumn();
  void OnShowWindow();
  void OnOK();
  void KeepDigitsOnly();

  HWND m_hwnd = nullptr;
  int32_t m_portNo = 0;
  int32_t m_baudRate = 0;
  std::string m_device;
  PresentPortsView m_present;
};

}  // namespace q7310::win32
