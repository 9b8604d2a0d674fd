#include "dialogs/setting_dlg.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>

#include "app/texts.h"
#include "dialogs/dialog_units.h"

namespace q7310 {
namespace {

// The dialog's template, in dialog units.
constexpr QSize kClientSize(177, 64);
constexpr DialogPlace kOk{120, 14, 50, 15};
constexpr DialogPlace kCancel{120, 33, 50, 15};
constexpr DialogPlace kPortLabel{13, 13, 42, 12};
constexpr DialogPlace kPortEdit{56, 13, 34, 12};
constexpr DialogPlace kBaudLabel{13, 35, 41, 12};
constexpr DialogPlace kBaudEdit{56, 35, 34, 12};
constexpr DialogPlace kBps{93, 36, 16, 10};
// This program's addition, shown only when a device path is in use: one more row.
constexpr int kDeviceRowHeight = 18;
constexpr DialogPlace kDeviceLabel{13, 57, 42, 12};
constexpr DialogPlace kDeviceEdit{56, 57, 114, 12};

QLabel* StaticText(QWidget* parent, std::string_view text) {
  auto* label = new QLabel(Q(text), parent);
  label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  return label;
}

}  // namespace

CSettingDlg::CSettingDlg(QWidget* parent) : QDialog(parent) {
  setWindowTitle(Q(texts::kSettingCaption));
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint);
  setModal(true);
  BuildControls();
}

void CSettingDlg::BuildControls() {
  const DialogUnits du(font());
  setFixedSize(du.Size(kClientSize.width(), kClientSize.height()));

  m_btnOk = Placed(new QPushButton(Q(texts::kSettingOk), this), du, kOk);
  m_btnOk->setDefault(true);
  m_btnCancel = Placed(new QPushButton(Q(texts::kSettingCancel), this), du, kCancel);
  Placed(StaticText(this, texts::kSettingPortLabel), du, kPortLabel);
  m_editPortNo = Placed(new QLineEdit(this), du, kPortEdit);
  Placed(StaticText(this, texts::kSettingBaudLabel), du, kBaudLabel);
  m_editBaudRate = Placed(new QLineEdit(this), du, kBaudEdit);
  Placed(StaticText(this, texts::kSettingBps), du, kBps);

  // Digits only, at most four of them, whether typed or pasted.
  m_editPortNo->setMaxLength(kPortNoMaxChars);
  m_editPortNo->setValidator(
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), this));
  m_editBaudRate->setReadOnly(true);
  m_editDevice = Placed(new QLineEdit(this), du, kDeviceEdit);
  m_editDevice->setReadOnly(true);
  m_editDevice->setObjectName(QStringLiteral("device"));
  auto* deviceLabel = Placed(StaticText(this, texts::kSettingDeviceLabel), du, kDeviceLabel);
  m_editDevice->hide();
  deviceLabel->hide();
  deviceLabel->setObjectName(QStringLiteral("deviceLabel"));

  // Tab order: the order of the template's rows.
  setTabOrder(m_btnOk, m_btnCancel);
  setTabOrder(m_btnCancel, m_editPortNo);
  setTabOrder(m_editPortNo, m_editBaudRate);

  connect(m_btnOk, &QPushButton::clicked, this, &CSettingDlg::accept);
  connect(m_btnCancel, &QPushButton::clicked, this, &CSettingDlg::reject);
}

void CSettingDlg::SetDevice(const QString& device) {
  const DialogUnits du(font());
  const bool shown = !device.isEmpty();
  m_editDevice->setText(device);
  m_editDevice->setVisible(shown);
  findChild<QLabel*>(QStringLiteral("deviceLabel"))->setVisible(shown);
  setFixedSize(du.Size(kClientSize.width(), kClientSize.height() + (shown ? kDeviceRowHeight : 0)));
}

void CSettingDlg::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  m_editPortNo->setText(QString::number(static_cast<uint32_t>(m_portNo)));
  m_editBaudRate->setText(QString::number(static_cast<uint32_t>(m_baudRate)));
}

void CSettingDlg::accept() {
  m_portNo = ReadUnsigned(m_editPortNo->text());
  m_baudRate = ReadUnsigned(m_editBaudRate->text());
  QDialog::accept();
}

int32_t CSettingDlg::ReadUnsigned(const QString& text) {
  return ReadUnsignedField(text.toStdString());
}

}  // namespace q7310
