// CSettingDlg: the modal port settings dialog (Option > Setting).
//
// Shows the serial port number (editable: digits only, at most 4 characters) and the baud rate
// (read-only). The caller sets both values before running the dialog; both fields are filled
// from them whenever the dialog is shown. OK reads both fields back as unsigned decimal numbers
// (an empty or non-numeric field gives 0); Cancel, Escape and the close box change nothing, so
// GetPortNo returns the value the caller set. The dialog checks no range: a port that cannot be
// opened is the main window's to report.
#pragma once

#include <QDialog>
#include <QString>
#include <cstdint>

#include "app/setting_fields.h"

class QLineEdit;
class QPushButton;

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
  int32_t GetBaudRate() const { return m_baudRate; }

  // The controls, for the main window's tests.
  QLineEdit* PortNoEdit() const { return m_editPortNo; }
  QLineEdit* BaudRateEdit() const { return m_editBaudRate; }
  QLineEdit* DeviceEdit() const { return m_editDevice; }
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

  QPushButton* m_btnOk = nullptr;
  QPushButton* m_btnCancel = nullptr;
  QLineEdit* m_editPortNo = nullptr;
  QLineEdit* m_editBaudRate = nullptr;
  QLineEdit* m_editDevice = nullptr;
  int32_t m_portNo = 0;
  int32_t m_baudRate = 0;
};

}  // namespace q7310
