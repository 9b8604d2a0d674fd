#include "desktop/screenshot_tour.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <cstdio>

#include "desktop/upgrade_window.h"
#include "dialogs/comm_progress_dlg.h"

namespace q7310 {
namespace {
constexpr int kPercentForPicture = 50;
constexpr int kPauseBeforePressMs = 300;  // lets the window settle before the next button
constexpr int kModalPollMs = 50;
}  // namespace

ScreenshotTour::ScreenshotTour(UpgradeWindow& window, const QString& outDir)
    : QObject(&window), m_window(window), m_outDir(outDir) {
  m_outDir.mkpath(QStringLiteral("."));
  connect(&window, &UpgradeWindow::GuidanceApplied, this, &ScreenshotTour::OnStage);
  connect(&window, &UpgradeWindow::ProgressPercentChanged, this, &ScreenshotTour::OnPercent);
  connect(&m_modalPoll, &QTimer::timeout, this, &ScreenshotTour::PollModal);
  m_modalPoll.start(kModalPollMs);
}

void ScreenshotTour::OnStage(int stage) {
  m_stage = stage;
  if (m_stagesSaved.insert(stage).second) {
    Save(&m_window, QStringLiteral("stage%1.png").arg(stage));
  }
  if (stage == kStageError || (stage == kStageBackup && m_restoreDone)) {
    QTimer::singleShot(0, qApp, &QApplication::quit);
    return;
  }
  if (stage == kStageRestore) m_restoreDone = true;
  QTimer::singleShot(kPauseBeforePressMs, this, [this, stage] { Press(stage); });
}

void ScreenshotTour::Press(int stage) {
  QPushButton* buttons[] = {nullptr, m_window.BackupButton(), m_window.UpdateButton(),
                            m_window.RestoreButton()};
  if (stage >= kStageBackup && stage <= kStageRestore) buttons[stage]->click();
}

void ScreenshotTour::OnPercent(int percent) {
  // The backup reports its share too: only the update's half-way picture is wanted.
  if (m_progressSaved || m_stage != kStageUpdate || percent < kPercentForPicture) return;
  m_progressSaved = true;
  // After the controller has also set the message line that goes with this percentage.
  QTimer::singleShot(
      0, this, [this] { Save(m_window.ProgressDialog(), QStringLiteral("progress-update.png")); });
}

void ScreenshotTour::PollModal() {
  auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
  if (box == nullptr || box == m_lastModal) return;
  m_lastModal = box;
  Save(box, QStringLiteral("message-%1.png").arg(box->windowTitle().toLower()));
  box->accept();
}

void ScreenshotTour::Save(QWidget* widget, const QString& name) {
  const QString path = m_outDir.filePath(name);
  if (!widget->grab().save(path)) {
    std::fprintf(stderr, "q7310-upgrade: could not save %s\n", qPrintable(path));
  }
}

}  // namespace q7310
