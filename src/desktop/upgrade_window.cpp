#include "desktop/upgrade_window.h"

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QDir>
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
#include <cstdio>

#include "app/close_guard.h"
#include "app/firmware_choice.h"
#include "app/protocol_trace.h"
#include "app/restore_from_summary.h"
#include "app/session.h"
#include "app/texts.h"
#include "desktop/about_dlg.h"
#include "desktop/app_icon.h"
#include "desktop/backup_chooser.h"
#include "desktop/backup_notice.h"
#include "desktop/port_memory.h"
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
    : m_timers([this](unsigned id) { m_core->OnTimer(id); }),
      m_serial(serial),
      m_core(std::make_unique<CUpgradeDlg>(*this, serial, backup, image, std::move(appFolder))) {
  Build();
}

UpgradeWindow::UpgradeWindow(Session& session)
    : m_trace(session.Trace()),
      m_timers([this](unsigned id) { m_core->OnTimer(id); }),
      m_serial(session.Serial()),
      m_core(session.MakeController(*this)) {
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
      m_progress, &CCommProgressDlg::CancelRequested, this, [this] { m_core->OnCommCancel(); },
      Qt::QueuedConnection);
}

UpgradeWindow::~UpgradeWindow() {
  Shutdown();
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

  connect(m_btnBackup, &QPushButton::clicked, this, [this] {
    m_core->OnBackup();
    // The notice speaks of the previous backup; the one now running brings its own.
    if (m_core->Mode() == CUpgradeDlg::kBackup) m_backupNotice->Clear();
  });
  connect(m_btnUpdate, &QPushButton::clicked, this, [this] { m_core->OnUpdate(); });
  connect(m_btnRestore, &QPushButton::clicked, this, [this] { m_core->OnRestore(); });

  setCentralWidget(outer);

  m_backupNotice = new BackupNotice(this);
  statusBar()->setSizeGripEnabled(false);  // the window has a fixed size
  statusBar()->addWidget(m_backupNotice, 1);
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

  connect(m_actExit, &QAction::triggered, this, [this] {
    if (m_core->CanClose()) close();
  });
  connect(m_actOpenFirmware, &QAction::triggered, this, [this] {
    if (m_core->Mode() != CUpgradeDlg::kIdle) return;
    const QString path = QFileDialog::getOpenFileName(this, Q(texts::kOpenFirmwareCaption), {},
                                                      Q(texts::kOpenFirmwareFilter));
    if (!path.isEmpty()) OpenFirmwareFile(path);
  });
  connect(m_actSetting, &QAction::triggered, this, [this] {
    m_core->OnSetting();
    RememberPortIfOpen();
  });
  connect(m_actRestoreFrom, &QAction::triggered, this, [this] {
    if (m_core->Mode() != CUpgradeDlg::kIdle) return;
    const QString path = ChooseSavedBackup(this, m_core->HistoryFolder());
    if (!path.isEmpty()) RestoreFromFile(path);
  });
  connect(m_actVerify, &QAction::triggered, this, [this] {
    const std::string& restored = m_core->LastRestoreSource();
    m_core->OnVerifyFrom(restored.empty() ? m_core->GetAppFilePath(texts::kBackupFile) : restored);
  });
  // A window of fixed size, like the dialog it stands for.
  layout()->setSizeConstraint(QLayout::SetFixedSize);
}

void UpgradeWindow::Initialise(int portNo) {
  m_core->OnInitDialog(*this, portNo);
  RememberPortIfOpen();
}

void UpgradeWindow::RememberPortIfOpen() {
  if (m_core->Stage() != 0) SaveRememberedPort({m_core->PortNo(), m_serial.ExplicitDevicePath()});
}

bool UpgradeWindow::ConfirmRestoreFrom(const QString& path) {
  QMessageBox box(QMessageBox::Question, Q(texts::kRestoreFromCaption),
                  Q(texts::kRestoreFromConfirm), QMessageBox::Yes | QMessageBox::No, this);
  box.setDefaultButton(QMessageBox::No);
  box.setInformativeText(QString::fromStdString(RestoreFromSummary(path.toStdString())));
  return box.exec() == QMessageBox::Yes;
}

bool UpgradeWindow::RestoreFromFile(const QString& path) {
  if (m_core->Mode() != CUpgradeDlg::kIdle || !ConfirmRestoreFrom(path)) return false;
  const QString before = m_editGuide->toPlainText();
  QString restoreLines = Q(CUpgradeDlg::GuidanceFor(kStageRestore).instructions);
  restoreLines.replace(Q(texts::kGuideLineSeparator), QStringLiteral("\n"));
  m_editGuide->setPlainText(restoreLines);
  m_guideBeforeRestore = before;
  m_core->OnRestoreFrom(path.toStdString());
  // A file that could not be read ends it before it starts.
  if (m_core->Mode() == CUpgradeDlg::kIdle && m_guideBeforeRestore) {
    m_editGuide->setPlainText(*m_guideBeforeRestore);
    m_guideBeforeRestore.reset();
  }
  return true;
}

void UpgradeWindow::SetTimer(unsigned id, unsigned periodMs) {
  m_timers.Set(id, periodMs);
}

void UpgradeWindow::KillTimer(unsigned id) {
  m_timers.Kill(id);
}

void UpgradeWindow::ShowMessage(MessageKind kind, std::string_view text, std::string_view detail) {
  const bool error = kind == MessageKind::Error;
  QMessageBox box(error ? QMessageBox::Warning : QMessageBox::Information,
                  Q(error ? texts::kCaptionError : texts::kCaptionComplete), Q(text),
                  QMessageBox::Ok, this);
  if (!detail.empty()) box.setInformativeText(Q(detail));
  box.exec();
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

bool UpgradeWindow::ShowRestoreComplete(std::string_view text) {
  QMessageBox box(QMessageBox::Information, Q(texts::kCaptionComplete), Q(text), QMessageBox::Ok,
                  this);
  QPushButton* verify = box.addButton(Q(texts::kButtonVerify), QMessageBox::ActionRole);
  box.setDefaultButton(QMessageBox::Ok);
  box.exec();
  return box.clickedButton() == verify;
}

void UpgradeWindow::ShowProgress(bool visible) {
  m_progress->setVisible(visible);
  if (!visible && m_guideBeforeRestore) {
    m_editGuide->setPlainText(*m_guideBeforeRestore);
    m_guideBeforeRestore.reset();
  }
}

void UpgradeWindow::ApplyGuidance(const Guidance& guidance) {
  m_guideBeforeRestore.reset();
  m_btnBackup->setEnabled(guidance.backupEnabled);
  m_btnUpdate->setEnabled(guidance.updateEnabled);
  m_btnRestore->setEnabled(guidance.restoreEnabled);
  // The lines come joined with "\r\n"; the box shows each on a line of its own.
  QString lines = Q(guidance.instructions);
  lines.replace(Q(texts::kGuideLineSeparator), QStringLiteral("\n"));
  m_editGuide->setPlainText(lines);
  m_actSetting->setEnabled(guidance.settingEnabled);
  m_actRestoreFrom->setEnabled(guidance.stage != 0);
  m_actVerify->setEnabled(guidance.stage != 0);
  m_cautionTitle->setText(Q(guidance.cautionTitle));
  m_cautionText->setText(Q(guidance.cautionText));
  emit GuidanceApplied(guidance.stage);
}

int UpgradeWindow::RunSettingDialog(int portNo, int baudRate) {
  CSettingDlg dlg(this);
  dlg.SetPortNo(portNo);
  dlg.SetBaudRate(baudRate);
  dlg.SetDevice(QString::fromStdString(m_serial.ExplicitDevicePath()));
  dlg.exec();
  // Another port number replaces the device in use; otherwise the device would still be opened
  // and the number the operator chose silently ignored.
  if (dlg.GetPortNo() != portNo) m_serial.SetDevicePath({});
  return dlg.GetPortNo();
}

void UpgradeWindow::OnBackupKept(std::string_view path, std::string_view error) {
  m_keptPath = Q(path);
  m_keptError = Q(error);
  if (m_keptPath.isEmpty()) {
    m_backupNotice->ShowNotKept(m_keptError);
  } else {
    m_backupNotice->ShowKept(m_keptPath);
  }
}

void UpgradeWindow::OnProtocolEvent(ProtocolEvent event, std::string_view detail) {
  if (m_trace) m_trace->OnEvent(event, detail);
}

void UpgradeWindow::PostFrame(uint32_t status, std::vector<uint8_t> frame) {
  if (m_trace) m_trace->OnReceived(status, frame);
  QMetaObject::invokeMethod(
      this, [this, status, bytes = std::move(frame)] { m_core->OnFrameReceived(status, bytes); },
      Qt::QueuedConnection);
}

bool UpgradeWindow::OpenFirmwareFile(const QString& path) {
  const std::string source = path.toStdString();
  const std::string folder = m_core->AppFolder();
  std::string error;
  switch (CompareFirmwareFile(source, folder, &error)) {
    case FirmwareInFolder::Same:
      return true;
    case FirmwareInFolder::Different: {
      const QString target = QString::fromStdString(m_core->GetAppFilePath(texts::kFirmwareFile));
      if (QMessageBox::question(this, Q(texts::kOpenFirmwareCaption),
                                target + Q(texts::kOpenFirmwareReplace)) != QMessageBox::Yes) {
        return false;
      }
      break;
    }
    case FirmwareInFolder::Absent:
      break;
    case FirmwareInFolder::Unreadable:
      ShowMessage(MessageKind::Error, texts::kOpenFirmwareFailed, error);
      return false;
  }
  const std::string written = CopyFirmwareFile(source, folder, &error);
  if (written.empty()) {
    ShowMessage(MessageKind::Error, texts::kOpenFirmwareFailed, error);
    return false;
  }
  QMessageBox::information(this, Q(texts::kOpenFirmwareCaption),
                           Q(texts::kOpenFirmwareCopied) + QString::fromStdString(written));
  return true;
}

void UpgradeWindow::ShowAbout() {
  CAboutDlg about(QString::fromStdString(m_core->AppFolder()), this);
  about.exec();
}

bool UpgradeWindow::ConfirmCloseWithBackupHeld() {
  const QString text = QString::fromStdString(
      CloseQuestion(QDir::toNativeSeparators(m_keptPath).toStdString(), m_keptError.toStdString()));
  QMessageBox box(QMessageBox::Question, Q(texts::kCaptionConfirm), text,
                  QMessageBox::Yes | QMessageBox::No, this);
  box.setDefaultButton(QMessageBox::No);
  box.setEscapeButton(QMessageBox::No);
  return box.exec() == QMessageBox::Yes;
}

// Every way of closing ends here: the close box, File > Exit, Enter and Escape.
void UpgradeWindow::closeEvent(QCloseEvent* event) {
  if (!m_core->CanClose() ||
      (BackupAwaitingRestore(m_core->Stage()) && !ConfirmCloseWithBackupHeld())) {
    event->ignore();
    return;
  }
  Shutdown();
  event->accept();
}

void UpgradeWindow::keyPressEvent(QKeyEvent* event) {
  if (IsEnterKey(*event) || event->key() == Qt::Key_Escape) {
    // The dialog's default OK and Cancel, reached when the focused control did not take the key:
    // they end the program, but never mid-operation and a held backup only on the operator's word.
    if (m_core->CanClose()) close();
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

void UpgradeWindow::Shutdown() {
  if (m_shutDown) return;
  m_shutDown = true;
  m_timers.KillAll();
  m_progress->hide();
  for (const std::string& path : m_core->OnDestroy()) {
    std::fprintf(stderr, "q7310-upgrade: could not delete %s\n", path.c_str());
  }
}

}  // namespace q7310
