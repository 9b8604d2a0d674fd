// The main window on real widgets over the real controller, serial link and files: start-up
// without a port, the port chosen at start-up and said in the status line, each resend there,
// the guidance stages, Option > Setting (with the ports present), the keys of a dialog (Return on a
// focused button, Return in the instruction box), refusing to close during an operation, the
// progress dialog's Cancel, the staging files deleted when the window closes, the About box and
// File > Open firmware file....
#include <gtest/gtest.h>

#include <QAction>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <QWindow>
#include <memory>
#include <optional>

#include "app/no_reply.h"
#include "app/numbered_format.h"
#include "app/texts.h"
#include "app/version.h"
#include "backup/settings_backup.h"
#include "desktop/port_memory.h"
#include "desktop/status_notice.h"
#include "desktop/upgrade_window.h"
#include "dialogs/caution_label.h"
#include "dialogs/comm_progress_dlg.h"
#include "dialogs/dialog_units.h"
#include "dialogs/setting_dlg.h"
#include "firmware/firmware_image.h"
#include "modal_answer.h"
#include "protocol/protocol.h"
#include "serial/serial_port.h"
#include "support/pty_peer.h"
#include "support/sample_firmware.h"

namespace q7310 {
namespace {

constexpr const char* kNoSuchDevice = "/nonexistent/ttyQ7310";

// What the program does at start-up: the remembered port and the command line's device.
int ApplyStartPort(CSerialPort& serial, const std::optional<std::string>& commandLineDevice) {
  const RememberedPort start = StartPort(SettingsPortMemory().Load(), commandLineDevice);
  serial.SetDevicePath(start.device);
  return start.portNo;
}

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(folder.isValid()); }

  // Creates the window on `device` and runs its start-up, answering any message box.
  void Start(const std::string& device) {
    serial.SetDevicePath(device);
    window = std::make_unique<UpgradeWindow>(serial, backup, image, folder.path().toStdString());
    window->show();
    testing::ModalAnswerer answerer;
    window->Initialise();
    startMessages = answerer.Messages();
  }

  // Runs Option > Setting, typing `portText` and pressing OK; returns the messages that followed.
  std::vector<testing::SeenMessage> ChangePort(const QString& portText) {
    testing::ModalAnswerer answerer([&](QWidget* modal) {
      if (auto* dlg = qobject_cast<CSettingDlg*>(modal)) {
        dlg->PortNoEdit()->setText(portText);
        QTest::mouseClick(dlg->OkButton(), Qt::LeftButton);
      } else if (auto* box = qobject_cast<QDialog*>(modal)) {
        box->accept();
      }
    });
    window->SettingAction()->trigger();
    return answerer.Messages();
  }

  bool FileExists(std::string_view name) const { return QFile::exists(folder.filePath(Q(name))); }

  void WriteFile(std::string_view name) const {
    QFile file(folder.filePath(Q(name)));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("data");
  }

  QTemporaryDir folder;
  testing::PtyPeer pty;
  CSerialPort serial;
  CSettingsBackup backup;
  CFirmwareImage image;
  std::unique_ptr<UpgradeWindow> window;
  std::vector<testing::SeenMessage> startMessages;
};

TEST_F(MainWindowTest, StartWithoutPortReportsAndShowsStageZero) {
  Start(kNoSuchDevice);
  ASSERT_EQ(startMessages.size(), 1u);
  EXPECT_EQ(startMessages[0].caption, "ERROR");
  EXPECT_EQ(startMessages[0].text, Q(texts::kMsgPortError));
  EXPECT_TRUE(startMessages[0].warningIcon);
  EXPECT_EQ(startMessages[0].buttonCount, 1);

  EXPECT_FALSE(window->BackupButton()->isEnabled());
  EXPECT_FALSE(window->UpdateButton()->isEnabled());
  EXPECT_FALSE(window->RestoreButton()->isEnabled());
  EXPECT_TRUE(window->SettingAction()->isEnabled());
  EXPECT_TRUE(window->GuideBox()->toPlainText().startsWith("Communication error ! \n"));
  EXPECT_TRUE(window->CautionTitle()->text().isEmpty());
  EXPECT_TRUE(window->CautionText()->text().isEmpty());
}

TEST_F(MainWindowTest, StartWithPortShowsStageOneWithoutMessage) {
  Start(pty.DevicePath());
  EXPECT_TRUE(startMessages.empty());
  EXPECT_EQ(window->Core().Stage(), 1);
  EXPECT_TRUE(window->BackupButton()->isEnabled());
  EXPECT_EQ(window->windowTitle(), Q(texts::kMainCaption));
  EXPECT_EQ(window->CautionTitle()->LabelTextColor(), kColorRed);
  EXPECT_EQ(window->CautionText()->LabelTextColor(), kColorRed);
}

// Each stage as the window shows it: the one enabled button, the Setting item, the instruction
// lines one per line, and the caution texts only in stage 1.
TEST_F(MainWindowTest, EachStageShowsItsButtonSettingTextAndCautions) {
  Start(pty.DevicePath());
  struct Row {
    int stage;
    bool backup, update, restore, setting;
    std::vector<std::string_view> lines;
  };
  const std::vector<Row> rows = {
      {0, false, false, false, true, {texts::kGuideStage0.begin(), texts::kGuideStage0.end()}},
      {1, true, false, false, true, {texts::kGuideStage1.begin(), texts::kGuideStage1.end()}},
      {2, false, true, false, false, {texts::kGuideStage2.begin(), texts::kGuideStage2.end()}},
      {3, false, false, true, false, {texts::kGuideStage3.begin(), texts::kGuideStage3.end()}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.stage);
    window->ShowStage(UpgradePresenter::StageViewOf(CUpgradeDlg::GuidanceFor(row.stage)));
    EXPECT_EQ(window->BackupButton()->isEnabled(), row.backup);
    EXPECT_EQ(window->UpdateButton()->isEnabled(), row.update);
    EXPECT_EQ(window->RestoreButton()->isEnabled(), row.restore);
    EXPECT_EQ(window->SettingAction()->isEnabled(), row.setting);
    EXPECT_EQ(window->RestoreFromAction()->isEnabled(), row.stage != 0);
    QStringList expected;
    for (std::string_view line : row.lines) expected << Q(line);
    EXPECT_EQ(window->GuideBox()->toPlainText().split('\n'), expected);
    const bool cautions = row.stage == 1;
    EXPECT_EQ(window->CautionTitle()->text(), cautions ? Q(texts::kCautionTitle) : QString());
    EXPECT_EQ(window->CautionText()->text(), cautions ? Q(texts::kMainCaution) : QString());
  }
}

TEST_F(MainWindowTest, SettingReopensOnlyForAnotherPortNumber) {
  Start(pty.DevicePath());
  ASSERT_EQ(window->Core().Stage(), 1);

  // The same number does nothing: the device in use stays.
  EXPECT_TRUE(ChangePort("1").empty());
  EXPECT_EQ(window->Core().Stage(), 1);
  EXPECT_EQ(serial.ExplicitDevicePath(), pty.DevicePath());

  // Another number takes the device's place, and one that does not open is reported, not
  // silently ignored: the port error, then stage 0.
  const auto messages = ChangePort("");
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text, Q(texts::kMsgPortError));
  EXPECT_TRUE(serial.ExplicitDevicePath().empty());
  EXPECT_EQ(window->Core().PortNo(), 0);
  EXPECT_EQ(window->Core().Stage(), 0);

  // Back on a device that opens: stage 1 again, and the port error is gone.
  serial.SetDevicePath(pty.DevicePath());
  EXPECT_TRUE(ChangePort("1").empty());
  EXPECT_EQ(window->Core().Stage(), 1);
}

TEST_F(MainWindowTest, SettingShowsTheDeviceInUse) {
  const auto shownDevice = [this] {
    QString shown = QStringLiteral("(hidden)");
    testing::ModalAnswerer answerer([&](QWidget* modal) {
      if (auto* dlg = qobject_cast<CSettingDlg*>(modal)) {
        if (dlg->DeviceEdit()->isVisible()) shown = dlg->DeviceEdit()->text();
        dlg->reject();
      }
    });
    window->SettingAction()->trigger();
    return shown;
  };
  Start(pty.DevicePath());
  EXPECT_EQ(shownDevice(), QString::fromStdString(pty.DevicePath()));
  serial.SetDevicePath({});
  EXPECT_EQ(shownDevice(), QStringLiteral("(hidden)"));
}

// A USB adapter as the system lists it, on `device`.
SerialPortInfo UsbAdapter(const std::string& device, const std::string& serial) {
  SerialPortInfo port;
  port.device = device;
  port.vendorId = "0403";
  port.productId = "6001";
  port.serialNumber = serial;
  port.description = "FTDI FT232R USB UART";
  return port;
}

TEST_F(MainWindowTest, WithNoPortRememberedTheOnlyAdapterIsOpenedAndNamedInTheStatusLine) {
  window = std::make_unique<UpgradeWindow>(serial, backup, image, folder.path().toStdString());
  window->Presenter().Core().SetPortLister(
      [this] { return std::vector<SerialPortInfo>{UsbAdapter(pty.DevicePath(), "A50285BI")}; });
  window->show();
  testing::ModalAnswerer answerer;
  window->Initialise(1, /*portNamed=*/false);
  EXPECT_TRUE(answerer.Messages().empty());
  EXPECT_EQ(window->Core().Stage(), 1);
  EXPECT_EQ(serial.ExplicitDevicePath(), pty.DevicePath());
  EXPECT_EQ(window->Notice()->text(),
            Q(FormatNumbered(texts::kFmtStartOnlyAdapter,
                             {pty.DevicePath() + " (FTDI FT232R USB UART, 0403:6001)"})));
  EXPECT_FALSE(window->Notice()->IsFailure());
}

TEST_F(MainWindowTest, WithSeveralAdaptersTheStatusLineSaysSoInRedAndPortOneIsKept) {
  serial.SetDevicePath({});
  window = std::make_unique<UpgradeWindow>(serial, backup, image, folder.path().toStdString());
  window->Presenter().Core().SetPortLister([this] {
    return std::vector<SerialPortInfo>{UsbAdapter(pty.DevicePath(), "A"),
                                       UsbAdapter("/dev/ttyUSB9", "B")};
  });
  window->show();
  testing::ModalAnswerer answerer;  // port 1 may not open here: its message is answered
  window->Initialise(1, /*portNamed=*/false);
  EXPECT_EQ(window->Core().PortNo(), 1);
  EXPECT_TRUE(serial.ExplicitDevicePath().empty());
  EXPECT_EQ(window->Notice()->text(), Q(texts::kStartSeveralAdapters));
  EXPECT_TRUE(window->Notice()->IsFailure());
}

TEST_F(MainWindowTest, SettingListsThePortsPresentUnderItsFields) {
  Start(pty.DevicePath());
  window->Presenter().Core().SetPortLister([] {
    SerialPortInfo uart;
    uart.device = "/dev/ttyS0";
    uart.portNumber = 1;
    return std::vector<SerialPortInfo>{uart, UsbAdapter("/dev/ttyUSB0", "A")};
  });
  QStringList rows;
  QString heading, note;
  bool belowTheFields = false;
  testing::ModalAnswerer answerer([&](QWidget* modal) {
    auto* dlg = qobject_cast<CSettingDlg*>(modal);
    if (dlg == nullptr) return;
    heading = dlg->PortsHeading()->text();
    note = dlg->PortsNote()->isVisible() ? dlg->PortsNote()->text() : QString();
    QTreeWidget* list = dlg->PortsList();
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
      QTreeWidgetItem* item = list->topLevelItem(i);
      rows << item->text(0) + "|" + item->text(1) + "|" + item->text(2);
    }
    // Under the fields, and under the device in use.
    belowTheFields = list->isVisible() && list->y() > dlg->DeviceEdit()->geometry().bottom() &&
                     dlg->DeviceEdit()->isVisible();
    dlg->reject();
  });
  window->SettingAction()->trigger();
  EXPECT_EQ(heading, Q(texts::kSettingPortsHeading));
  EXPECT_EQ(rows, QStringList({"1|/dev/ttyS0|", Q(texts::kSettingPortsNoNumber) +
                                                    "|/dev/ttyUSB0|FTDI FT232R USB UART"}));
  EXPECT_EQ(note, Q(texts::kSettingPortsWithoutNumber));
  EXPECT_TRUE(belowTheFields);
}

TEST_F(MainWindowTest, EachResendShowsInTheStatusLineWhileItsOperationRuns) {
  Start(pty.DevicePath());
  QTest::mouseClick(window->BackupButton(), Qt::LeftButton);
  ASSERT_EQ(window->Core().Mode(), CUpgradeDlg::kBackup);
  // The reply timer's expiries, as its QTimer would bring them.
  window->Presenter().OnTimer(kReplyTimerId);
  EXPECT_EQ(window->Notice()->text(), Q(ResendText(1, 3, kReplyTimeoutMs)));
  window->Presenter().OnTimer(kReplyTimerId);
  EXPECT_EQ(window->Notice()->text(), Q(ResendText(2, 3, kReplyTimeoutMs)));
  EXPECT_TRUE(window->Notice()->isVisible());
  QTest::mouseClick(window->ProgressDialog()->CancelButton(), Qt::LeftButton);
  QCoreApplication::processEvents();
  EXPECT_EQ(window->Core().Mode(), CUpgradeDlg::kIdle);
  EXPECT_TRUE(window->Notice()->text().isEmpty()) << window->Notice()->text().toStdString();
}

TEST_F(MainWindowTest, PortThatOpenedIsUsedAtTheNextStart) {
  SettingsPortMemory().Save({});
  // First start, with a device on the command line: it opens and is remembered.
  const int firstPort = ApplyStartPort(serial, pty.DevicePath());
  window = std::make_unique<UpgradeWindow>(serial, backup, image, folder.path().toStdString());
  window->Initialise(firstPort);
  ASSERT_EQ(window->Core().Stage(), 1);
  window.reset();

  // Second start, without one: the remembered device.
  CSerialPort second;
  const int secondPort = ApplyStartPort(second, std::nullopt);
  EXPECT_EQ(second.ExplicitDevicePath(), pty.DevicePath());
  UpgradeWindow again(second, backup, image, folder.path().toStdString());
  testing::ModalAnswerer answerer;
  again.Initialise(secondPort);
  EXPECT_EQ(again.Core().Stage(), 1);
  EXPECT_TRUE(answerer.Messages().empty());

  // A device that does not open is not remembered in place of the one that did.
  CSerialPort third;
  third.SetDevicePath(kNoSuchDevice);
  UpgradeWindow failing(third, backup, image, folder.path().toStdString());
  failing.Initialise(1);
  EXPECT_EQ(SettingsPortMemory().Load().device, pty.DevicePath());
}

TEST_F(MainWindowTest, TitlesAreShownWhole) {
  Start(pty.DevicePath());
  EXPECT_GE(window->width(), WidthForTitle(Q(texts::kMainCaption)));
  int aboutWidth = 0;
  testing::ModalAnswerer answerer([&](QWidget* modal) {
    aboutWidth = modal->width();
    qobject_cast<QDialog*>(modal)->accept();
  });
  window->ShowAbout();
  EXPECT_GE(aboutWidth, WidthForTitle(Q(texts::kAboutCaption)));
}

TEST_F(MainWindowTest, SettingCancelledChangesNothing) {
  Start(pty.DevicePath());
  serial.SetDevicePath(kNoSuchDevice);
  testing::ModalAnswerer answerer([](QWidget* modal) {
    auto* dlg = qobject_cast<CSettingDlg*>(modal);
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(dlg->PortNoEdit()->text(), "1");
    EXPECT_EQ(dlg->BaudRateEdit()->text(), "57600");
    dlg->PortNoEdit()->setText("9");
    QTest::mouseClick(dlg->CancelButton(), Qt::LeftButton);
  });
  window->SettingAction()->trigger();
  EXPECT_EQ(answerer.Answered(), 1);
  EXPECT_EQ(window->Core().PortNo(), 1);
  EXPECT_EQ(window->Core().Stage(), 1);
}

// A backup that the far end never answers keeps the controller busy: nothing closes the window
// and Setting does nothing, until the progress dialog's Cancel returns it to idle.
TEST_F(MainWindowTest, BusyWindowRefusesToCloseUntilCancelled) {
  Start(pty.DevicePath());
  QTest::mouseClick(window->BackupButton(), Qt::LeftButton);
  ASSERT_EQ(window->Core().Mode(), CUpgradeDlg::kBackup);
  CCommProgressDlg* progress = window->ProgressDialog();
  EXPECT_TRUE(progress->isVisible());
  EXPECT_EQ(progress->windowTitle(), "BACKUP");
  EXPECT_EQ(progress->MessageLabel()->text(), Q(texts::kCommunicating));
  EXPECT_TRUE(window->IsTimerActive(kReplyTimerId));

  EXPECT_FALSE(window->close());
  window->ExitAction()->trigger();
  QTest::keyClick(window.get(), Qt::Key_Escape);
  QTest::keyClick(window.get(), Qt::Key_Return);
  window->GuideBox()->setFocus();
  QTest::keyClick(window->GuideBox(), Qt::Key_Escape);
  EXPECT_TRUE(window->isVisible());
  testing::ModalAnswerer answerer;
  window->SettingAction()->trigger();
  EXPECT_EQ(answerer.Answered(), 0);

  // The progress dialog's close box is swallowed; Escape there cancels like its button.
  EXPECT_FALSE(progress->close());
  EXPECT_EQ(window->Core().Mode(), CUpgradeDlg::kBackup);
  QTest::keyClick(progress, Qt::Key_Escape);
  EXPECT_EQ(window->Core().Mode(), CUpgradeDlg::kBackup);  // queued: handled from the event loop
  QCoreApplication::processEvents();
  EXPECT_EQ(window->Core().Mode(), CUpgradeDlg::kIdle);
  EXPECT_FALSE(progress->isVisible());
  EXPECT_FALSE(window->IsTimerActive(kReplyTimerId));
  EXPECT_EQ(window->Core().Stage(), 1);

  // Again with the Cancel button, twice in a row: the second cancel finds it idle already.
  QTest::mouseClick(window->BackupButton(), Qt::LeftButton);
  ASSERT_EQ(window->Core().Mode(), CUpgradeDlg::kBackup);
  QTest::mouseClick(progress->CancelButton(), Qt::LeftButton);
  QTest::mouseClick(progress->CancelButton(), Qt::LeftButton);
  QCoreApplication::processEvents();
  EXPECT_EQ(window->Core().Mode(), CUpgradeDlg::kIdle);
  EXPECT_FALSE(progress->isVisible());

  EXPECT_TRUE(window->close());
}

// In stage 1 no backup is held: every way out closes at once, without a question.
TEST_F(MainWindowTest, ExitEnterEscapeAndCloseBoxCloseWhileIdle) {
  const std::vector<std::function<void(UpgradeWindow&)>> ways = {
      [](UpgradeWindow& w) { w.ExitAction()->trigger(); },
      [](UpgradeWindow& w) { QTest::keyClick(&w, Qt::Key_Return); },
      [](UpgradeWindow& w) { QTest::keyClick(&w, Qt::Key_Escape); },
      [](UpgradeWindow& w) { w.windowHandle()->close(); },
  };
  for (const auto& leave : ways) {
    Start(pty.DevicePath());
    ASSERT_EQ(window->Core().Stage(), 1);
    testing::ModalAnswerer answerer([](QWidget* modal) { static_cast<QDialog*>(modal)->reject(); });
    leave(*window);
    EXPECT_EQ(answerer.Answered(), 0);
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(serial.IsOpen());
  }
}

// Return and Enter with the focus on an operation button press it, as Space does; the backup
// starts and its first request goes out.
TEST_F(MainWindowTest, EnterOnAFocusedButtonPressesIt) {
  for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space}) {
    SCOPED_TRACE(key);
    Start(pty.DevicePath());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    window->BackupButton()->setFocus();
    ASSERT_TRUE(window->BackupButton()->hasFocus());
    QTest::keyClick(window->windowHandle(), key);  // delivered to the focus widget
    ASSERT_EQ(window->Core().Mode(), CUpgradeDlg::kBackup);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->ProgressDialog()->isVisible());
    const auto frame = window->Core().LastFrame();
    ASSERT_GE(frame.size(), kReadSlotFrameSize);
    EXPECT_EQ(GetU16(frame, kOffCommand), CMD_READ_SLOT);
    EXPECT_EQ(GetU16(frame, kOffSlotNumber), 0);
  }
}

// The instruction box keeps Return and Enter: the window stays and nothing starts. Escape there
// still closes (in stage 1 without a question).
TEST_F(MainWindowTest, ReturnInTheInstructionBoxDoesNothing) {
  Start(pty.DevicePath());
  ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
  testing::ModalAnswerer answerer([](QWidget* modal) { static_cast<QDialog*>(modal)->reject(); });
  window->GuideBox()->setFocus();
  ASSERT_TRUE(window->GuideBox()->hasFocus());
  const QString shown = window->GuideBox()->toPlainText();
  QTest::keyClick(window->windowHandle(), Qt::Key_Return);
  QTest::keyClick(window->windowHandle(), Qt::Key_Enter);
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(window->Core().Mode(), CUpgradeDlg::kIdle);
  EXPECT_EQ(window->GuideBox()->toPlainText(), shown);
  EXPECT_TRUE(serial.IsOpen());

  QTest::keyClick(window->windowHandle(), Qt::Key_Escape);
  EXPECT_FALSE(window->isVisible());
  EXPECT_EQ(answerer.Answered(), 0);
}

TEST_F(MainWindowTest, ClosingKeepsFilesItDidNotWriteAndClosesThePort) {
  Start(pty.DevicePath());
  // Perhaps the only copy of a customer's settings: this run did not write them.
  WriteFile(texts::kBackupFile);
  WriteFile(texts::kUpdateFile);
  WriteFile(texts::kFirmwareFile);
  EXPECT_TRUE(serial.IsOpen());
  EXPECT_TRUE(window->close());
  EXPECT_TRUE(FileExists(texts::kBackupFile));
  EXPECT_TRUE(FileExists(texts::kUpdateFile));
  EXPECT_TRUE(FileExists(texts::kFirmwareFile));
  EXPECT_FALSE(serial.IsOpen());
}

TEST_F(MainWindowTest, DestroyingTheWindowDeletesTheFilesItWrote) {
  Start(pty.DevicePath());
  testing::CopySampleFirmwareTo(folder.path().toStdString());
  window->Presenter().Core().SetSampleAllowed(true);
  // UPDATE as at stage 2: it stages UPDATE.BIN; the amplifier never answers.
  window->UpdateButton()->setEnabled(true);
  window->UpdateButton()->click();
  ASSERT_TRUE(FileExists(texts::kUpdateFile));
  window.reset();
  EXPECT_FALSE(FileExists(texts::kUpdateFile));
  EXPECT_TRUE(FileExists(texts::kFirmwareFile));
}

TEST_F(MainWindowTest, AboutBoxShowsNameAndVersion) {
  Start(pty.DevicePath());
  QString caption;
  QStringList labels;
  testing::ModalAnswerer answerer([&](QWidget* modal) {
    caption = modal->windowTitle();
    for (const QLabel* label : modal->findChildren<QLabel*>()) labels << label->text();
    static_cast<QDialog*>(modal)->accept();
  });
  window->ShowAbout();
  EXPECT_EQ(caption, Q(texts::kAboutCaption));
  EXPECT_TRUE(labels.contains(Q(texts::kAboutText)));
  // The build's version and the working folder, as --version and the command-line tool say them.
  const QString all = labels.join(QLatin1Char('\n'));
  EXPECT_TRUE(all.contains(Q(VersionText()))) << all.toStdString();
  EXPECT_TRUE(all.contains(Q(texts::kWorkingFolder) + folder.path())) << all.toStdString();
}

// File > Open firmware file...: the chosen file lands under the fixed name the update reads;
// a different file already there is replaced only when the operator says Yes.
TEST_F(MainWindowTest, OpenFirmwareFileCopiesUnderFixedNameAskingBeforeReplacing) {
  Start(pty.DevicePath());
  EXPECT_EQ(window->OpenFirmwareAction()->text(), Q(texts::kMenuOpenFirmware));
  QTemporaryDir elsewhere;
  const QString chosen = elsewhere.filePath(QStringLiteral("v202.mot"));
  QFile chosenFile(chosen);
  ASSERT_TRUE(chosenFile.open(QIODevice::WriteOnly));
  chosenFile.write("S00600004844521B\n");
  chosenFile.close();
  const QString target = folder.filePath(Q(texts::kFirmwareFile));
  auto contents = [](const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  };
  // Answers the replace question with `answer` and accepts every other box.
  auto answering = [](QMessageBox::StandardButton answer) {
    return [answer](QWidget* modal) {
      auto* box = qobject_cast<QMessageBox*>(modal);
      if (box && box->button(answer)) {
        box->button(answer)->click();
      } else if (auto* dialog = qobject_cast<QDialog*>(modal)) {
        dialog->accept();
      }
    };
  };

  {
    testing::ModalAnswerer answerer(answering(QMessageBox::No));
    EXPECT_TRUE(window->Presenter().OpenFirmwareFile(chosen.toStdString()));
  }
  EXPECT_EQ(contents(target), contents(chosen));

  QFile old(target);
  ASSERT_TRUE(old.open(QIODevice::WriteOnly));
  old.write("the firmware before");
  old.close();
  {
    testing::ModalAnswerer answerer(answering(QMessageBox::No));
    EXPECT_FALSE(window->Presenter().OpenFirmwareFile(chosen.toStdString()));
    EXPECT_EQ(answerer.Answered(), 1);
  }
  EXPECT_EQ(contents(target), QByteArray("the firmware before"));
  {
    testing::ModalAnswerer answerer(answering(QMessageBox::Yes));
    EXPECT_TRUE(window->Presenter().OpenFirmwareFile(chosen.toStdString()));
  }
  EXPECT_EQ(contents(target), contents(chosen));
}

TEST_F(MainWindowTest, RestoreFromSavedBackupAsksFirstAndShowsTheRestoreInstructions) {
  Start(pty.DevicePath());
  const QString saved = folder.filePath(QStringLiteral("BACKUP-20261207-143015.BIN"));
  {
    QFile file(saved);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray("\x00\x03\x00\x04\x01\x02\x03\x04", 8));  // slot 3, 4 bytes
  }
  const QString stageOneText = window->GuideBox()->toPlainText();
  QString question;
  const auto answer = [&](QMessageBox::StandardButton button) {
    return testing::ModalAnswerer([&, button](QWidget* modal) {
      if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        question = box->text() + "\n" + box->informativeText();
        box->button(button)->click();
      }
    });
  };

  {
    const auto no = answer(QMessageBox::No);
    EXPECT_FALSE(window->Presenter().RestoreFromFile(saved.toStdString()));
  }
  EXPECT_TRUE(question.contains(Q(texts::kRestoreFromConfirm)));
  EXPECT_TRUE(question.contains(QFileInfo(saved).lastModified().toString("yyyy-MM-dd HH:mm")));
  EXPECT_TRUE(question.contains(QStringLiteral("1 complete slot records (slots 3), 8 bytes")))
      << question.toStdString();
  EXPECT_EQ(window->Core().Mode(), CUpgradeDlg::kIdle);
  EXPECT_EQ(window->GuideBox()->toPlainText(), stageOneText);

  {
    const auto yes = answer(QMessageBox::Yes);
    EXPECT_TRUE(window->Presenter().RestoreFromFile(saved.toStdString()));
  }
  ASSERT_EQ(window->Core().Mode(), CUpgradeDlg::kRestore);
  EXPECT_TRUE(window->GuideBox()->toPlainText().startsWith(Q(texts::kGuideStage3[0])));
  // Cancelled: the instructions of the stage the window is in come back.
  QTest::mouseClick(window->ProgressDialog()->CancelButton(), Qt::LeftButton);
  ASSERT_TRUE(QTest::qWaitFor([&] { return window->Core().Mode() == CUpgradeDlg::kIdle; }));
  EXPECT_EQ(window->GuideBox()->toPlainText(), stageOneText);
}

TEST(DesktopProgram, HelpAndVersionNeedNoDisplay) {
  const auto runWithoutDisplay = [](const QString& option) {
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) env.remove(name);
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(Q7310_UPGRADE_PATH), {option});
    EXPECT_TRUE(program.waitForFinished(30000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0) << program.readAllStandardError().toStdString();
    return program.readAllStandardOutput();
  };
  EXPECT_TRUE(runWithoutDisplay(QStringLiteral("--help")).contains("--device <PATH>"));
  EXPECT_TRUE(runWithoutDisplay(QStringLiteral("--version")).startsWith("q7310-upgrade "));
}

}  // namespace
}  // namespace q7310
