#include "desktop/upgrade_window.h"

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <algorithm>

#include "app/texts.h"
#include "desktop/about_dlg.h"
#include "desktop/app_icon.h"
#include "desktop/backup_chooser.h"
#include "desktop/status_notice.h"
#include "dialogs/caution_label.h"
#include "dialogs/comm_progress_dlg.h"
#include "dialogs/dialog_units.h"
#include "dialogs/setting_dlg.h"

namespace q7310 {
namespace {

// The window's template, in dialog units.
constexpr QSize kClientSize(291, 167);
constexpr DialogPlace kBackup{30, 16, 57, 38};
constexpr DialogPlace kArrow1{94, 28, 16, 16};
constexpr DialogPlace kUpdate{116, 16, 57, 38};
constexpr DialogPlace kArrow2{180, 28, 16, 16};
constexpr DialogPlace kRestore{202, 16, 57, 38};
constexpr DialogPlace kGuide{14, 68, 261, 56};
constexpr DialogPlace kCautionTitle{18, 132, 37, 13};
constexpr DialogPlace kCautionText{57, 132, 212, 27};

QPushButton* OperationButton(QWidget* parent, std::string_view text) {
  auto* button = new QPushButton(Q(text), parent);
  button->setEnabled(false);  // the guidance enables one of them
  // As in a dialog: Return and Enter press the focused button (outside a QDialog a push button
  // answers only Space unless it is an auto-default button).
  button->setAutoDefault(true);
  return button;
}

bool IsEnterKey(const QKeyEvent& event) {
  return event.key() == Qt::Key_Return || event.key() == Qt::Key_Enter;
}

}  // namespace

UpgradeWindow::UpgradeWindow(CSerialPort& serial, CSettingsBackup& backup, CFirmwareImage& image,
                             std::string appFolder)
    : m_timers([this](unsigned id) { m_presenter.OnTimer(id); }),
      m_presenter(*this, &m_portMemory, {serial, backup, image, std::move(appFolder)}) {
  Build();
}

UpgradeWindow::UpgradeWindow(Session& session)
    : m_timers([this](unsigned id) { m_presenter.OnTimer(id); }),
      m_presenter(*this, &m_portMemory, session) {
  Build();
}

void UpgradeWindow::Build() {
  setWindowTitle(Q(texts::kMainCaption));
  setWindowIcon(AppIcon());
  BuildControls();
  BuildMenu();
  m_progress = new CCommProgressDlg(this);
  // Queued, so that a cancel is handled after the frames that arrived before it.
  connect(
      m_progress, &CCommProgressDlg::CancelRequested, this, [this] { m_presenter.OnCancel(); },
      Qt::QueuedConnection);
}

UpgradeWindow::~UpgradeWindow() {
  m_presenter.Shutdown();
}

void UpgradeWindow::BuildControls() {
  // The template's area, centred in a client wide enough that the title bar shows the caption
  // whole.
  auto* outer = new QWidget(this);
  auto* client = new QWidget(outer);
  const DialogUnits du(client->font());
  client->setFixedSize(du.Size(kClientSize.width(), kClientSize.height()));
  auto* row = new QHBoxLayout(outer);
  row->setContentsMargins(0, 0, 0, 0);
  row->addStretch(1);
  row->addWidget(client);
  row->addStretch(1);
  outer->setMinimumWidth(std::max(client->width(), WidthForTitle(Q(texts::kMainCaption))));

  m_btnBackup = Placed(OperationButton(client, texts::kButtonBackup), du, kBackup);
  Placed(new QLabel(Q(texts::kArrow), client), du, kArrow1)->setAlignment(Qt::AlignHCenter);
  m_btnUpdate = Placed(OperationButton(client, texts::kButtonUpdate), du, kUpdate);
  Placed(new QLabel(Q(texts::kArrow), client), du, kArrow2)->setAlignment(Qt::AlignHCenter);
  m_btnRestore = Placed(OperationButton(client, texts::kButtonRestore), du, kRestore);

  m_editGuide = Placed(new QPlainTextEdit(client), du, kGuide);
  m_editGuide->setReadOnly(true);
  // Return and Enter stop at the box (eventFilter) instead of closing the window.
  m_editGuide->installEventFilter(this);

  m_cautionTitle = Placed(new CCautionLabel(client), du, kCautionTitle);
  m_cautionTitle->setText(Q(texts::kCautionTitle));
  m_cautionText = Placed(new CCautionLabel(client), du, kCautionText);
  m_cautionText->setText(Q(texts::kMainCaution));
  m_cautionText->setWordWrap(true);
  for (CCautionLabel* label : {m_cautionTitle, m_cautionText}) {
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->SetLabelTextColor(kColorRed);
  }

  connect(m_btnBackup, &QPushButton::clicked, this, [this] { m_presenter.OnBackup(); });
  connect(m_btnUpdate, &QPushButton::clicked, this, [this] { m_presenter.OnUpdate(); });
  connect(m_btnRestore, &QPushButton::clicked, this, [this] { m_presenter.OnRestore(); });

  setCentralWidget(outer);

  m_statusLine = new StatusNotice(this);
  statusBar()->setSizeGripEnabled(false);  // the window has a fixed size
  statusBar()->addWidget(m_statusLine, 1);
}

void UpgradeWindow::BuildMenu() {
  QMenu* file = menuBar()->addMenu(Q(texts::kMenuFile));
  m_actOpenFirmware = file->addAction(Q(texts::kMenuOpenFirmware));
  file->addSeparator();
  m_actExit = file->addAction(Q(texts::kMenuExit));
  QMenu* option = menuBar()->addMenu(Q(texts::kMenuOption));
  m_actSetting = option->addAction(Q(texts::kMenuSetting));
  m_actRestoreFrom = option->addAction(Q(texts::kMenuRestoreFrom));
  m_actVerify = option->addAction(Q(texts::kMenuVerify));

  connect(m_actExit, &QAction::triggered, this, &QWidget::close);
  connect(m_actOpenFirmware, &QAction::triggered, this, [this] { m_presenter.OnOpenFirmware(); });
  connect(m_actSetting, &QAction::triggered, this, [this] { m_presenter.OnSetting(); });
  connect(m_actRestoreFrom, &QAction::triggered, this,
          [this] { m_presenter.OnRestoreFromSaved(); });
  connect(m_actVerify, &QAction::triggered, this, [this] { m_presenter.OnVerify(); });
  // A window of fixed size, like the dialog it stands for.
  layout()->setSizeConstraint(QLayout::SetFixedSize);
}

void UpgradeWindow::ShowStage(const StageView& view) {
  m_btnBackup->setEnabled(view.backupEnabled);
  m_btnUpdate->setEnabled(view.updateEnabled);
  m_btnRestore->setEnabled(view.restoreEnabled);
  ShowInstructions(view.instructions);
  m_actSetting->setEnabled(view.settingEnabled);
  m_actRestoreFrom->setEnabled(view.restoreFromEnabled);
  m_actVerify->setEnabled(view.verifyEnabled);
  m_cautionTitle->setText(Q(view.cautionTitle));
  m_cautionText->setText(Q(view.cautionText));
  emit GuidanceApplied(view.stage);
}

void UpgradeWindow::ShowInstructions(std::string_view lines) {
  // The lines come joined with "\r\n"; the box shows each on a line of its own.
  QString text = Q(lines);
  text.replace(Q(texts::kGuideLineSeparator), QStringLiteral("\n"));
  m_editGuide->setPlainText(text);
}

void UpgradeWindow::ShowStatus(const StatusLine& line) {
  m_statusLine->Show(Q(line.text), line.failure);
}

bool UpgradeWindow::ShowMessage(const MessageBoxView& box) {
  QMessageBox message(box.error ? QMessageBox::Warning : QMessageBox::Information, Q(box.caption),
                      Q(box.text), QMessageBox::Ok, this);
  if (!box.detail.empty()) message.setInformativeText(Q(box.detail));
  QPushButton* offered =
      box.offer.empty() ? nullptr : message.addButton(Q(box.offer), QMessageBox::ActionRole);
  message.setDefaultButton(QMessageBox::Ok);
  message.exec();
  return offered != nullptr && message.clickedButton() == offered;
}

bool UpgradeWindow::Ask(const Question& question) {
  QMessageBox box(QMessageBox::Question, Q(question.caption), Q(question.text),
                  QMessageBox::Yes | QMessageBox::No, this);
  box.setDefaultButton(question.noIsDefault ? QMessageBox::No : QMessageBox::Yes);
  box.setEscapeButton(QMessageBox::No);
  if (!question.detail.empty()) box.setInformativeText(Q(question.detail));
  return box.exec() == QMessageBox::Yes;
}

std::string UpgradeWindow::ChooseFile(const FileRequest& request) {
  const QString path =
      request.kind == FileKind::kSavedBackup
          ? ChooseSavedBackup(this, request.folder)
          : QFileDialog::getOpenFileName(this, Q(request.caption),
                                         QString::fromStdString(request.folder), Q(request.filter));
  return path.toStdString();
}

int UpgradeWindow::RunSettingDialog(const PortSettingView& setting) {
  CSettingDlg dlg(this);
  dlg.SetPortNo(setting.portNo);
  dlg.SetBaudRate(setting.baudRate);
  dlg.SetDevice(QString::fromStdString(setting.device));
  dlg.SetPresentPorts(setting.present);
  dlg.exec();
  return dlg.GetPortNo();
}

void UpgradeWindow::SetProgressTitle(std::string_view title) {
  m_progress->SetTitle(title);
}

void UpgradeWindow::SetProgressMessage(std::string_view text) {
  m_progress->SetMessage(text);
}

void UpgradeWindow::SetProgressPercent(int percent) {
  m_progress->SetPercent(percent);
  emit ProgressPercentChanged(percent);
}

void UpgradeWindow::ShowProgress(bool visible) {
  m_progress->setVisible(visible);
}

void UpgradeWindow::QueueFrame(uint32_t status, std::vector<uint8_t> frame) {
  QMetaObject::invokeMethod(
      this, [this, status, bytes = std::move(frame)] { m_presenter.OnFrame(status, bytes); },
      Qt::QueuedConnection);
}

void UpgradeWindow::ShowAbout() {
  CAboutDlg about(QString::fromStdString(m_presenter.AppFolder()), this);
  about.exec();
}

// Every way of closing ends here: the close box, File > Exit, Enter and Escape.
void UpgradeWindow::closeEvent(QCloseEvent* event) {
  if (!m_presenter.MayClose()) {
    event->ignore();
    return;
  }
  m_presenter.Shutdown();
  event->accept();
}

void UpgradeWindow::keyPressEvent(QKeyEvent* event) {
  if (IsEnterKey(*event) || event->key() == Qt::Key_Escape) {
    // The dialog's default OK and Cancel, reached when the focused control did not take the key.
    close();
    event->accept();
    return;
  }
  QMainWindow::keyPressEvent(event);
}

bool UpgradeWindow::eventFilter(QObject* watched, QEvent* event) {
  // The instruction box keeps Return and Enter, as a multi-line edit box in a dialog does: the
  // stage 3 text tells the operator to press ENTER on the amplifier, and the same key pressed
  // here must not end the program.
  if (watched == m_editGuide && event->type() == QEvent::KeyPress &&
      IsEnterKey(*static_cast<QKeyEvent*>(event))) {
    event->accept();
    return true;
  }
  return QMainWindow::eventFilter(watched, event);
}

void UpgradeWindow::contextMenuEvent(QContextMenuEvent* event) {
  QMenu menu(this);
  connect(menu.addAction(Q(texts::kAboutMenuItem)), &QAction::triggered, this,
          &UpgradeWindow::ShowAbout);
  menu.exec(event->globalPos());
}

}  // namespace q7310
