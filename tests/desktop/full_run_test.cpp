// The whole procedure in the real window against the simulated amplifier on a pseudo-terminal:
// BACKUP, UPDATE and RESTORE started by clicking the buttons, as an operator would, and the
// verify offered by the restore's COMPLETE box. The simulator records the image and the slot
// records it received, which must equal UPDATE.BIN and BACKUP.BIN.
#include <gtest/gtest.h>

#include <QEventLoop>
#include <QFile>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>

#include "app/texts.h"
#include "backup/settings_backup.h"
#include "desktop/upgrade_window.h"
#include "dialogs/comm_progress_dlg.h"
#include "dialogs/dialog_units.h"
#include "firmware/firmware_image.h"
#include "modal_answer.h"
#include "serial/serial_port.h"

namespace q7310 {
namespace {

// Generous bounds for a loaded machine; a run normally takes a few seconds.
constexpr int kSimStartMs = 10000;
constexpr int kOperationMs = 120000;
constexpr int kSimStopMs = 10000;

QByteArray ReadAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class FullRunTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder.isValid());
    const QString mot = folder.filePath(Q(texts::kFirmwareFile));
    ASSERT_TRUE(QFile::copy(QStringLiteral(Q7310_SOURCE_DIR "/samples/Q7310_v201.mot"), mot));
    sim.start(QStringLiteral(Q7310_SIM_PATH),
              {"--image-out", folder.filePath("sim-image.bin"), "--restore-out",
               folder.filePath("sim-restore.bin")});
    ASSERT_TRUE(sim.waitForStarted(kSimStartMs));
    ASSERT_TRUE(QTest::qWaitFor([&] { return sim.canReadLine(); }, kSimStartMs));
    devicePath = QString::fromUtf8(sim.readLine()).trimmed();
    ASSERT_FALSE(devicePath.isEmpty());
  }

  void TearDown() override {
    window.reset();
    if (sim.state() != QProcess::NotRunning) {
      sim.terminate();
      sim.waitForFinished(kSimStopMs);
    }
  }

  // Clicks `button` and runs the event loop until the guidance reaches `stage` (or the bound
  // passes); true when the controller is then idle in that stage. An event loop rather than
  // polling, so that each exchange costs no more than the line and the simulator take.
  bool RunTo(QPushButton* button, int stage) {
    if (!button->isEnabled()) return false;
    QEventLoop loop;
    QObject::connect(window.get(), &UpgradeWindow::GuidanceApplied, &loop, [&](int reached) {
      if (reached == stage) loop.quit();
    });
    QTimer::singleShot(kOperationMs, &loop, &QEventLoop::quit);
    QTimer::singleShot(0, button, [button] { QTest::mouseClick(button, Qt::LeftButton); });
    loop.exec();
    return window->Core().Mode() == CUpgradeDlg::kIdle && window->Core().Stage() == stage;
  }

  QTemporaryDir folder;
  QProcess sim;
  QString devicePath;
  CSerialPort serial;
  CSettingsBackup backup;
  CFirmwareImage image;
  std::unique_ptr<UpgradeWindow> window;
};

TEST_F(FullRunTest, BackupUpdateRestoreByTheButtons) {
  serial.SetDevicePath(devicePath.toStdString());
  window = std::make_unique<UpgradeWindow>(serial, backup, image, folder.path().toStdString());
  window->show();
  // The restore's COMPLETE box offers a verify: take it. Every other box is accepted.
  test::ModalAnswerer answerer([](QWidget* modal) {
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
  window->Initialise();
  ASSERT_EQ(window->Core().Stage(), 1);

  ASSERT_TRUE(RunTo(window->BackupButton(), 2));
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
  RunTo(window->RestoreButton(), 1);
  ASSERT_EQ(window->Core().Stage(), 1);
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

  sim.terminate();
  ASSERT_TRUE(sim.waitForFinished(kSimStopMs));
  EXPECT_EQ(sim.exitCode(), 0) << sim.readAllStandardError().toStdString();
}

}  // namespace
}  // namespace q7310
