#include "dialogs/setting_dlg.h"

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QTreeWidget>

#include "app/texts.h"
#include "dialogs/dialog_units.h"

namespace q7310 {
namespace {

// The dialog's template, in dialog units.
constexpr QSize kClientSize(kSettingTemplateWidth, kSettingTemplateHeight);
constexpr DialogPlace kOk{120, 14, 50, 15};
constexpr DialogPlace kCancel{120, 33, 50, 15};
constexpr DialogPlace kPortLabel{13, 13, 42, 12};
constexpr DialogPlace kPortEdit{56, 13, 34, 12};
constexpr DialogPlace kBaudLabel{13, 35, 41, 12};
constexpr DialogPlace kBaudEdit{56, 35, 34, 12};
constexpr DialogPlace kBps{93, 36, 16, 10};
// This program's additions: the device in use, when there is one, one more row; below it the
// ports present (setting_fields.h).
constexpr DialogPlace kDeviceLabel{13, 57, 42, 12};
constexpr DialogPlace kDeviceEdit{56, 57, 114, 12};

QLabel* StaticText(QWidget* parent, std::string_view text) {
  auto* label = new QLabel(Q(text), parent);
  label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  return label;
}

void PlaceShown(QWidget* widget, const DialogUnits& du, const SettingPlace& p, bool shown) {
  if (shown) widget->setGeometry(du.Rect(p.x, p.y, p.w, p.h));
  widget->setVisible(shown);
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
  m_deviceLabel = Placed(StaticText(this, texts::kSettingDeviceLabel), du, kDeviceLabel);
  m_editDevice->hide();
  m_deviceLabel->hide();
  m_deviceLabel->setObjectName(QStringLiteral("deviceLabel"));
  BuildPortsList();

  // Tab order: the order of the template's rows.
  setTabOrder(m_btnOk, m_btnCancel);
  setTabOrder(m_btnCancel, m_editPortNo);
  setTabOrder(m_editPortNo, m_editBaudRate);

  connect(m_btnOk, &QPushButton::clicked, this, &CSettingDlg::accept);
  connect(m_btnCancel, &QPushButton::clicked, this, &CSettingDlg::reject);
}

void CSettingDlg::BuildPortsList() {
  m_portsHeading = new QLabel(this);
  m_portsHeading->setObjectName(QStringLiteral("portsHeading"));
  m_portsList = new QTreeWidget(this);
  m_portsList->setObjectName(QStringLiteral("ports"));
  m_portsList->setHeaderLabels({Q(texts::kSettingPortsNumber), Q(texts::kSettingPortsName),
                                Q(texts::kSettingPortsDescription)});
  // A list to read: no tree, no selection, no editing.
  m_portsList->setRootIsDecorated(false);
  m_portsList->setSelectionMode(QAbstractItemView::NoSelection);
  m_portsList->setEditTriggers(QAbstractItemView::NoEditTriggers);
  m_portsList->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
  m_portsList->header()->setStretchLastSection(true);
  m_portsNote = new QLabel(this);
  m_portsNote->setObjectName(QStringLiteral("portsNote"));
  m_portsNote->setWordWrap(true);
  m_portsNote->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  for (QWidget* widget : {static_cast<QWidget*>(m_portsHeading), static_cast<QWidget*>(m_portsList),
                          static_cast<QWidget*>(m_portsNote)}) {
    widget->hide();
  }
}

void CSettingDlg::SetDevice(const QString& device) {
  const bool shown = !device.isEmpty();
  m_editDevice->setText(device);
  m_editDevice->setVisible(shown);
  m_deviceLabel->setVisible(shown);
  LayOutAdditions();
}

void CSettingDlg::SetPresentPorts(const PresentPortsView& present) {
  m_portsHeading->setText(Q(present.heading));
  m_portsList->clear();
  for (const PortRow& row : present.rows) {
    auto* item = new QTreeWidgetItem(m_portsList, {Q(row.number), Q(row.name), Q(row.description)});
    // A description cut at the list's edge is read whole in its tip.
    item->setToolTip(2, Q(row.description));
  }
  m_portsNote->setText(Q(present.note));
  LayOutAdditions();
}

void CSettingDlg::LayOutAdditions() {
  const DialogUnits du(font());
  SettingAdditions shown;
  shown.device = !m_editDevice->text().isEmpty();
  shown.heading = !m_portsHeading->text().isEmpty();
  shown.list = shown.heading && m_portsList->topLevelItemCount() > 0;
  shown.note = shown.heading && !m_portsNote->text().isEmpty();
  int columnsPixels = 0;
  for (int column = 0; column < m_portsList->columnCount(); ++column) {
    m_portsList->resizeColumnToContents(column);
    columnsPixels += m_portsList->columnWidth(column);
  }
  shown.columnsWidth = du.UnitsX(columnsPixels);
  const SettingPortsLayout layout = LayOutSettingPorts(shown);
  PlaceShown(m_portsHeading, du, layout.heading, shown.heading);
  PlaceShown(m_portsList, du, layout.list, shown.list);
  PlaceShown(m_portsNote, du, layout.note, shown.note);
  setFixedSize(du.Size(layout.dialogWidth, layout.dialogHeight));
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
