// CSettingDlg: the modal port settings dialog (Option > Setting).
//
// Shows the serial port number (editable: digits only, at most 4 characters) and the baud rate
// (read-only). The caller sets both values before running the dialog; both fields are filled
// from them whenever the dialog is shown. OK reads both fields back as unsigned decimal numbers
// (an empty or non-numeric field gives 0); Cancel, Escape and the close box change nothing, so
// GetPortNo returns the value the caller set. The dialog checks no range: a port that cannot be
// opened is the main window's to report. Below its fields it may show the device in use and the
// serial ports present (with the number to type for each); the dialog grows by what it shows.
#pragma once

#include <QDialog>
#include <QString>
#include <cstdint>

#include "app/setting_fields.h"
#include "app/upgrade_view.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;

namespace q7310 {

class CSettingDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CSettingDlg(QWidget* parent = nullptr);

  void SetPortNo(int32_t portNo) { m_portNo = portNo; }
  int32_t GetPortNo() const { return m_portNo; }
  void SetBaudRate(int32_t baudRate) { m_baudRate = baudRate; }
  // The device in use when one was given in place of the port number's (--device, or the one
  // remembered); shown read-only under the baud rate. Empty hides the row.
  void SetDevice(const QString& device);
  // The ports present, under the fields (and under the device's row): the heading, a list of
  // NO., NAME and DESCRIPTION, and the note. Not called: nothing shows.
  void SetPresentPorts(const PresentPortsView& present);
  int32_t GetBaudRate() const { return m_baudRate; }

  // The controls, for the main window's tests.
  QLineEdit* PortNoEdit() const { return m_editPortNo; }
  QLineEdit* BaudRateEdit() const { return m_editBaudRate; }
  QLineEdit* DeviceEdit() const { return m_editDevice; }
  QLabel* PortsHeading() const { return m_portsHeading; }
  QTreeWidget* PortsList() const { return m_portsList; }
  QLabel* PortsNote() const { return m_portsNote; }
  QPushButton* OkButton() const { return m_btnOk; }
  QPushButton* CancelButton() const { return m_btnCancel; }

  // A field's text as an unsigned decimal number; empty or non-numeric text gives 0
  // (ReadUnsignedField).
  static int32_t ReadUnsigned(const QString& text);

 public slots:
  void accept() override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void BuildControls();
  void BuildPortsList();
  // Places the additions that have something to show and sizes the dialog to them.
  void LayOutAdditions();

  QPushButton* m_btnOk = nullptr;
  QPushButton* m_btnCancel = nullptr;
  QLineEdit* m_editPortNo = nullptr;
  QLineEdit* m_editBaudRate = nullptr;
  QLineEdit* m_editDevice = nullptr;
  QLabel* m_deviceLabel = nullptr;
  QLabel* m_portsHeading = nullptr;
  QTreeWidget* m_portsList = nullptr;
  QLabel* m_portsNote = nullptr;
  int32_t m_portNo = 0;
  int32_t m_baudRate = 0;
};

}  // namespace q7310
