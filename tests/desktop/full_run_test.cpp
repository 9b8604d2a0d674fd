// The whole procedure in the real window against the simulated amplifier on a pseudo-terminal:
// BACKUP, UPDATE and RESTORE started by clicking the buttons, as an operator would, and the
// verify offered by the restore's COMPLETE box. The simulator records the image and the slot
// records it received, which must equal UPDATE.BIN and BACKUP.BIN. Between the backup and its
// restore, closing the window asks first, and the status bar says where the backup's dated copy
// was kept.
#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "app/settings_notes.h"
#include "app/texts.h"
#include "backup/backup_file_info.h"
#include "backup/settings_backup.h"
#include "desktop/status_notice.h"
#include "desktop/upgrade_window.h"
#include "dialogs/comm_progress_dlg.h"
#include "dialogs/dialog_units.h"
#include "firmware/firmware_image.h"
#include "modal_answer.h"
#include "serial/serial_port.h"
#include "support/sample_firmware.h"
#include "support/simulator.h"

namespace q7310 {
namespace {

// A generous bound for a loaded machine; a run normally takes a few seconds.
constexpr int kOperationMs = 60000;
// A silent or confused peer ends an operation after four periods: seconds, not minutes.
constexpr unsigned kReplyTimeoutMs = 1000;
constexpr int kIdleCheckMs = 20;

QByteArray ReadAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class FullRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder.isValid());
    testing::CopySampleFirmwareTo(folder.path().toStdString());
    sim = std::make_unique<testing::Simulator>(
        Q7310_SIM_PATH, std::vector<std::string>{
                            "--image-out", folder.filePath("sim-image.bin").toStdString(),
                            "--restore-out", folder.filePath("sim-restore.bin").toStdString()});
    devicePath = QString::fromStdString(sim->Device());
    ASSERT_FALSE(devicePath.isEmpty()) << sim->Stderr();
  }

  void TearDown() override { window.reset(); }

  // Clicks `button` and runs the event loop until the guidance reaches `stage`, the operation
  // ends without reaching it, or the bound passes; true when the controller is then idle in that
  // stage. An event loop rather than polling for the stage, so that each exchange costs no more
  // than the line and the simulator take; the idle check only ends a run that went wrong early.
  bool RunTo(QPushButton* button, int stage) {
    if (!button->isEnabled()) return false;
    QEventLoop loop;
    QObject::connect(window.get(), &UpgradeWindow::GuidanceApplied, &loop, [&](int reached) {
      if (reached == stage) loop.quit();
    });
    bool clicked = false;
    QTimer idleCheck;
    QObject::connect(&idleCheck, &QTimer::timeout, &loop, [&] {
      if (clicked && window->Core().Mode() == CUpgradeDlg::kIdle) loop.quit();
    });
    idleCheck.start(kIdleCheckMs);
    QTimer::singleShot(kOperationMs, &loop, &QEventLoop::quit);
    QTimer::singleShot(0, button, [button, &clicked] {
      QTest::mouseClick(button, Qt::LeftButton);
      clicked = true;
    });
    loop.exec();
    return window->Core().Mode() == CUpgradeDlg::kIdle && window->Core().Stage() == stage;
  }

  // Creates the window on the simulator's pseudo-terminal and runs its start-up (stage 1); the
  // update may send the sample (--allow-sample) unless `allowSample` is false.
  void StartWindow(bool allowSample = true) {
    serial.SetDevicePath(devicePath.toStdString());
    window = std::make_unique<UpgradeWindow>(serial, backup, image, folder.path().toStdString());
    window->SetReplyTimeoutMs(kReplyTimeoutMs);
    window->Presenter().Core().SetSampleAllowed(allowSample);
    window->show();
    testing::ModalAnswerer answerer;
    window->Initialise();
  }

  // RunTo, answering any message box; true only when none was shown.
  bool RunWithoutMessageTo(QPushButton* button, int stage) {
    testing::ModalAnswerer answerer;
    return RunTo(button, stage) && answerer.Messages().empty();
  }

  QString BackupFilePath() const { return folder.filePath(Q(texts::kBackupFile)); }

  QTemporaryDir folder;
  std::unique_ptr<testing::Simulator> sim;
  QString devicePath;
  CSerialPort serial;
  CSettingsBackup backup;
  CFirmwareImage image;
  std::unique_ptr<UpgradeWindow> window;
};

TEST_F(FullRunTest, BackupUpdateRestoreByTheButtons) {
  StartWindow();
  // The restore's COMPLETE box offers a verify: take it. Every other box is accepted.
  testing::ModalAnswerer answerer([](QWidget* modal) {
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      for (QAbstractButton* button : box->buttons()) {
        if (button->text() == Q(texts::kButtonVerify)) {
          button->click();
          return;
        }
      }
    }
    if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->accept();
  });
  ASSERT_EQ(window->Core().Stage(), 1);

  QSignalSpy backupPercents(window.get(), &UpgradeWindow::ProgressPercentChanged);
  ASSERT_TRUE(RunTo(window->BackupButton(), 2));
  // Backup counts slots: 0, each of slots 1 to 8 asked for, then all nine read.
  std::vector<int> backupValues;
  for (const QList<QVariant>& call : backupPercents) backupValues.push_back(call.at(0).toInt());
  EXPECT_EQ(backupValues, (std::vector<int>{0, 11, 22, 33, 44, 55, 66, 77, 88, 100}));
  EXPECT_EQ(window->ProgressDialog()->ProgressBar()->value(), 100);
  const QByteArray backupFile = ReadAll(folder.filePath(Q(texts::kBackupFile)));
  EXPECT_FALSE(backupFile.isEmpty());
  EXPECT_FALSE(window->ProgressDialog()->isVisible());

  QSignalSpy percents(window.get(), &UpgradeWindow::ProgressPercentChanged);
  ASSERT_TRUE(RunTo(window->UpdateButton(), 3));
  ASSERT_GE(percents.count(), 2);
  int last = -1;
  for (const QList<QVariant>& call : percents) {
    const int p = call.at(0).toInt();
    if (p >= 0) {
      EXPECT_GE(p, last);
      last = p;
    }
  }
  EXPECT_EQ(last, 100);
  EXPECT_EQ(ReadAll(folder.filePath("sim-image.bin")),
            ReadAll(folder.filePath(Q(texts::kUpdateFile))));
  EXPECT_TRUE(answerer.Messages().empty());  // a finished backup or update shows no message

  // The restore ends at stage 1 with its COMPLETE box, whose Verify starts the verify at once.
  QSignalSpy restorePercents(window.get(), &UpgradeWindow::ProgressPercentChanged);
  RunTo(window->RestoreButton(), 1);
  ASSERT_EQ(window->Core().Stage(), 1);
  // Restore counts the bytes of BACKUP.BIN sent, rising to all of them (the verify that follows
  // starts its own count).
  std::vector<int> restoreValues;
  for (const QList<QVariant>& call : restorePercents) {
    restoreValues.push_back(call.at(0).toInt());
    if (restoreValues.back() == 100) break;
  }
  ASSERT_GT(restoreValues.size(), 9u);
  EXPECT_TRUE(std::is_sorted(restoreValues.begin(), restoreValues.end()));
  EXPECT_EQ(restoreValues.back(), 100);
  ASSERT_GE(answerer.Messages().size(), 1u);
  EXPECT_EQ(answerer.Messages()[0].caption, "COMPLETE");
  EXPECT_EQ(answerer.Messages()[0].text, Q(texts::kMsgComplete));
  EXPECT_TRUE(answerer.Messages()[0].informationIcon);
  EXPECT_EQ(answerer.Messages()[0].buttonCount, 2);  // OK and Verify
  EXPECT_EQ(ReadAll(folder.filePath("sim-restore.bin")), backupFile);

  // The verify reads the slots back in the progress dialog and ends with its own box; the
  // guidance stays at stage 1.
  ASSERT_TRUE(QTest::qWaitFor(
      [&] {
        return answerer.Messages().size() == 2 && window->Core().Mode() == CUpgradeDlg::kIdle;
      },
      kOperationMs));
  EXPECT_EQ(answerer.Messages()[1].caption, "COMPLETE");
  EXPECT_EQ(answerer.Messages()[1].text, Q(texts::kMsgVerifyEqual));
  EXPECT_EQ(window->Core().LastComparison().slotsCompared, 9u);
  EXPECT_EQ(window->Core().Stage(), 1);
  EXPECT_FALSE(window->ProgressDialog()->isVisible());

  EXPECT_TRUE(window->close());
  EXPECT_FALSE(QFile::exists(folder.filePath(Q(texts::kBackupFile))));
  EXPECT_FALSE(QFile::exists(folder.filePath(Q(texts::kUpdateFile))));

  EXPECT_EQ(sim->Stop(), 0) << sim->Stderr();
}

// What the operator saw of the question before closing, and how it was answered.
struct CloseQuestion {
  QString caption;
  QString text;
  bool yesNo = false;
  bool noIsDefault = false;
};

// Tries to close the window one way and answers the question (if any) with `answer`; returns
// the questions asked.
std::vector<CloseQuestion> TryToClose(const std::function<void()>& leave,
                                      QMessageBox::StandardButton answer) {
  std::vector<CloseQuestion> asked;
  testing::ModalAnswerer answerer([&](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    ASSERT_NE(box, nullptr);
    asked.push_back({box->windowTitle(), box->text(),
                     box->standardButtons() == (QMessageBox::Yes | QMessageBox::No),
                     box->defaultButton() == box->button(QMessageBox::No)});
    box->button(answer)->click();
  });
  leave();
  return asked;
}

// Started without --allow-sample, the window refuses to send the simulator's sample: UPDATE shows
// the refusal in an ERROR box, nothing reaches the amplifier, and the window stays at stage 2, so
// that the operator can bring in the released firmware and press UPDATE again.
TEST_F(FullRunTest, UpdateOfTheSampleIsRefusedInAnErrorBox) {
  StartWindow(false);
  ASSERT_TRUE(RunWithoutMessageTo(window->BackupButton(), 2));
  testing::ModalAnswerer answerer;
  EXPECT_FALSE(RunTo(window->UpdateButton(), 3));
  ASSERT_EQ(answerer.Messages().size(), 1u);
  const testing::SeenMessage& box = answerer.Messages()[0];
  EXPECT_EQ(box.caption, Q(texts::kCaptionError));
  EXPECT_EQ(box.text, Q(texts::kMsgSampleFirmware));
  EXPECT_TRUE(box.warningIcon);
  EXPECT_TRUE(box.detail.contains(QStringLiteral("as the sample for q7310-sim; nothing was sent")))
      << box.detail.toStdString();
  EXPECT_TRUE(box.detail.contains(QStringLiteral("--allow-sample"))) << box.detail.toStdString();
  EXPECT_EQ(window->Core().Stage(), 2);
  EXPECT_TRUE(window->UpdateButton()->isEnabled());
  EXPECT_FALSE(window->ProgressDialog()->isVisible());
  EXPECT_FALSE(QFile::exists(folder.filePath(Q(texts::kUpdateFile))));
  EXPECT_EQ(sim->Stop(), 0) << sim->Stderr();
  EXPECT_NE(sim->Stderr().find("update-start 0, update-data 0,"), std::string::npos)
      << sim->Stderr();
  EXPECT_FALSE(QFile::exists(folder.filePath("sim-image.bin")));
}

// Between the backup and its restore (stages 2 and 3) every way of closing asks first, naming
// the dated copy; No keeps the window, the port and BACKUP.BIN, Yes closes as before. The status
// bar names the dated copy from the end of the backup on.
TEST_F(FullRunTest, HeldBackupIsThrownAwayOnlyOnTheOperatorsWord) {
  StartWindow();
  ASSERT_TRUE(RunWithoutMessageTo(window->BackupButton(), 2));

  const QDir history(folder.filePath(QStringLiteral("backups")));
  const QStringList copies = history.entryList({QStringLiteral("BACKUP-*.BIN")}, QDir::Files);
  ASSERT_EQ(copies.size(), 1);
  const QString keptPath = history.filePath(copies[0]);
  EXPECT_EQ(ReadAll(keptPath), ReadAll(BackupFilePath()));
  EXPECT_EQ(window->Notice()->text(), QString::fromUtf8(texts::kFmtBackupKept).arg(keptPath));
  EXPECT_FALSE(window->Notice()->IsFailure());

  UpgradeWindow& w = *window;
  const std::vector<std::pair<const char*, std::function<void()>>> ways = {
      {"Escape", [&] { QTest::keyClick(&w, Qt::Key_Escape); }},
      {"Enter", [&] { QTest::keyClick(&w, Qt::Key_Return); }},
      {"File > Exit", [&] { w.ExitAction()->trigger(); }},
      {"close box", [&] { w.windowHandle()->close(); }},
  };
  const auto refuseEveryWay = [&](int stage) {
    for (const auto& [name, leave] : ways) {
      SCOPED_TRACE(::testing::Message() << "stage " << stage << ", " << name);
      const auto asked = TryToClose(leave, QMessageBox::No);
      ASSERT_EQ(asked.size(), 1u);
      EXPECT_EQ(asked[0].caption, Q(texts::kCaptionConfirm));
      EXPECT_EQ(asked[0].text,
                QString::fromUtf8(texts::kFmtCloseBackupKept).arg(Q(texts::kBackupFile), keptPath));
      EXPECT_TRUE(asked[0].yesNo);
      EXPECT_TRUE(asked[0].noIsDefault);
      ASSERT_TRUE(window->isVisible());
      ASSERT_TRUE(serial.IsOpen());
      EXPECT_TRUE(QFile::exists(BackupFilePath()));
      EXPECT_EQ(window->Core().Stage(), stage);
    }
  };
  ASSERT_NO_FATAL_FAILURE(refuseEveryWay(2));

  ASSERT_TRUE(RunWithoutMessageTo(window->UpdateButton(), 3));
  EXPECT_EQ(window->Notice()->text(), QString::fromUtf8(texts::kFmtBackupKept).arg(keptPath));
  ASSERT_NO_FATAL_FAILURE(refuseEveryWay(3));

  EXPECT_EQ(TryToClose(ways[0].second, QMessageBox::Yes).size(), 1u);
  EXPECT_FALSE(window->isVisible());
  EXPECT_FALSE(QFile::exists(BackupFilePath()));
  EXPECT_FALSE(serial.IsOpen());
  EXPECT_TRUE(QFile::exists(keptPath));  // the dated copy is never deleted
}

// When no dated copy can be kept (here a file stands where the history folder belongs), the
// status bar says why in red, the question before closing says that nothing else is left, and
// closing keeps BACKUP.BIN.
TEST_F(FullRunTest, BackupWithoutDatedCopyIsReportedAndAskedAbout) {
  {
    QFile blocker(folder.filePath(QStringLiteral("backups")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  }
  StartWindow();
  ASSERT_TRUE(RunWithoutMessageTo(window->BackupButton(), 2));
  ASSERT_TRUE(QFile::exists(BackupFilePath()));
  const QString notice = window->Notice()->text();
  const QString prefix = QString::fromUtf8(texts::kFmtBackupNotKept).arg(QString());
  EXPECT_TRUE(notice.startsWith(prefix)) << notice.toStdString();
  const QString reason = notice.mid(prefix.size());
  EXPECT_TRUE(reason.contains(QStringLiteral("backups"))) << notice.toStdString();
  EXPECT_TRUE(window->Notice()->IsFailure());

  const auto asked = TryToClose([&] { window->windowHandle()->close(); }, QMessageBox::Yes);
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0].text,
            QString::fromUtf8(texts::kFmtCloseBackupNotKept).arg(Q(texts::kBackupFile), reason));
  EXPECT_FALSE(window->isVisible());
  EXPECT_TRUE(QFile::exists(BackupFilePath())) << "the only copy of the settings was deleted";
  EXPECT_TRUE(window->Core().BackupKeptAtExit().Kept());
}

// What a test saw of a message box, with its detail.
struct SeenBox {
  QString caption;
  QString text;
  QString detail;
  bool yesNo = false;
  bool noIsDefault = false;
};

// Answers every box (Yes on a question when `yes`, else No; OK otherwise) and keeps what it said.
testing::ModalAnswerer::Handler Recording(std::vector<SeenBox>& seen, bool yes = false) {
  return [&seen, yes](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    if (box == nullptr) {
      if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
      return;
    }
    const bool question = box->standardButtons() == (QMessageBox::Yes | QMessageBox::No);
    seen.push_back({box->windowTitle(), box->text(), box->informativeText(), question,
                    box->defaultButton() == box->button(QMessageBox::No)});
    if (question) {
      box->button(yes ? QMessageBox::Yes : QMessageBox::No)->click();
    } else {
      box->accept();
    }
  };
}

// An update that fails half way after a backup: its ERROR box's detail, and then the status
// bar, name the backup's dated copy and Option > Restore from saved backup....
TEST_F(FullRunTest, AFailedUpdateSaysWhereTheBackupsSettingsAreAndHowToRestoreThem) {
  sim = std::make_unique<testing::Simulator>(Q7310_SIM_PATH,
                                             std::vector<std::string>{"--fail-at", "200"});
  devicePath = QString::fromStdString(sim->Device());
  StartWindow();
  ASSERT_TRUE(RunWithoutMessageTo(window->BackupButton(), 2));
  const QDir history(folder.filePath(QStringLiteral("backups")));
  const QStringList copies = history.entryList({QStringLiteral("BACKUP-*.BIN")}, QDir::Files);
  ASSERT_EQ(copies.size(), 1);
  const std::string copy = history.filePath(copies[0]).toStdString();

  std::vector<SeenBox> seen;
  {
    testing::ModalAnswerer answerer(Recording(seen));
    EXPECT_FALSE(RunTo(window->UpdateButton(), 3));
  }
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].caption, Q(texts::kCaptionError));
  EXPECT_EQ(seen[0].text, Q(texts::kMsgUpdateFailed));
  const std::string how =
      std::string(texts::kMenuPathOption) + std::string(texts::kMenuRestoreFrom);
  const QString note = Q(NoteWhereSettingsAre(copy, true, how).text);
  EXPECT_TRUE(seen[0].detail.endsWith(note)) << seen[0].detail.toStdString();
  EXPECT_EQ(window->Notice()->text(),
            QString::fromUtf8(texts::kFmtRestoreSettingsWith).arg(Q(how), Q(copy)));
  EXPECT_TRUE(window->Notice()->IsFailure());
  EXPECT_EQ(window->Core().Stage(), 2);
}

// RESTORE of a BACKUP.BIN that lacks slots asks first, No being the default; No sends nothing.
TEST_F(FullRunTest, RestoreOfABackupLackingSlotsAsksFirstNoBeingTheDefault) {
  StartWindow();
  ASSERT_TRUE(RunWithoutMessageTo(window->BackupButton(), 2));
  ASSERT_TRUE(RunWithoutMessageTo(window->UpdateButton(), 3));
  // Slots 0 and 3 only.
  const QByteArray partial("\x00\x00\x00\x02\xAA\xBB\x00\x03\x00\x01\xCC", 11);
  {
    QFile file(BackupFilePath());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(partial);
  }
  std::vector<SeenBox> seen;
  {
    testing::ModalAnswerer answerer(Recording(seen));
    QTest::mouseClick(window->RestoreButton(), Qt::LeftButton);
  }
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].caption, Q(texts::kCaptionConfirm));
  EXPECT_TRUE(seen[0].yesNo);
  EXPECT_TRUE(seen[0].noIsDefault);
  const SlotCoverage coverage = {{1, 2, 4, 5, 6, 7, 8}, {}, {}};
  EXPECT_EQ(seen[0].text, Q(IncompleteBackupText(BackupFilePath().toStdString(), coverage) +
                            "\n\n" + std::string(texts::kRestoreAllTheSame)));
  EXPECT_EQ(window->Core().Mode(), CUpgradeDlg::kIdle);
  EXPECT_EQ(window->Core().Stage(), 3);
  EXPECT_TRUE(ReadAll(folder.filePath("sim-restore.bin")).isEmpty()) << "sent before Yes";

  // Yes: the records are restored as they stand.
  seen.clear();
  testing::ModalAnswerer answerer(Recording(seen, true));
  ASSERT_TRUE(RunTo(window->RestoreButton(), 1));
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[1].text, Q(texts::kMsgComplete));
  EXPECT_EQ(ReadAll(folder.filePath("sim-restore.bin")), partial);
}

}  // namespace
}  // namespace q7310
