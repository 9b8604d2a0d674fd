// ScreenshotTour: drives the window through a whole procedure by itself and saves pictures.
//
// For the documentation only (the program's hidden --screenshots option). It saves the window at
// each guidance stage it reaches (stage<N>.png), the progress dialog once the update has passed
// half way (progress-update.png) and every message box (message-<caption>.png, then accepted).
// It presses BACKUP, UPDATE and RESTORE in turn and quits the application after the restore, or
// after stage 0 (the port could not be opened).
#pragma once

#include <QDir>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <set>

class QWidget;

namespace q7310 {

class UpgradeWindow;

class ScreenshotTour : public QObject {
  Q_OBJECT

 public:
  ScreenshotTour(UpgradeWindow& window, const QString& outDir);

 private:
  void OnStage(int stage);
  void OnPercent(int percent);
  void PollModal();
  void Save(QWidget* widget, const QString& name);
  void Press(int stage);

  UpgradeWindow& m_window;
  QDir m_outDir;
  QTimer m_modalPoll;
  QPointer<QWidget> m_lastModal;
  std::set<int> m_stagesSaved;
  int m_stage = -1;  // the stage last shown: the update runs while it is the update's
  bool m_progressSaved = false;
  bool m_restoreDone = false;
};

}  // namespace q7310
