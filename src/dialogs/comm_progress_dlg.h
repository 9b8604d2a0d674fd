// CCommProgressDlg: the modeless window that shows what an operation is doing.
//
// Created hidden; the owner sets its caption (SetTitle) and message line (SetMessage) and shows
// or hides it. It carries two red caution texts and, during an update, a progress bar under the
// message line (SetPercent; -1 hides the bar). The Cancel button stops nothing itself: it emits
// CancelRequested, which the owner connects with Qt::QueuedConnection so that the cancel is
// handled from the owner's event queue after the frames queued before it. Escape does the same as
// the Cancel button; the close box is swallowed, so the window disappears only through its owner.
#pragma once

#include <QDialog>
#include <string_view>

class QLabel;
class QProgressBar;
class QPushButton;

namespace q7310 {

class CCautionLabel;

class CCommProgressDlg : public QDialog {
  Q_OBJECT

 public:
  // `owner` receives the cancels and is the dialog's parent; the dialog stays hidden.
  explicit CCommProgressDlg(QWidget* owner);

  void SetTitle(std::string_view title);
  void SetMessage(std::string_view text);
  // 0..100 shows the bar at that value; -1 (or any other value outside 0..100) hides it.
  void SetPercent(int percent);

  // The controls, for tests and screenshots.
  QLabel* MessageLabel() const { return m_message; }
  QProgressBar* ProgressBar() const { return m_progress; }
  QPushButton* CancelButton() const { return m_btnCancel; }
  CCautionLabel* CautionTitle() const { return m_cautionTitle; }
  CCautionLabel* CautionText() const { return m_cautionText; }

 signals:
  // The operator asked to cancel (Cancel button or Escape).
  void CancelRequested();

 public slots:
  // Escape lands here: it acts as the Cancel button and leaves the window as it is.
  void reject() override;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void BuildControls();

  CCautionLabel* m_cautionText = nullptr;
  CCautionLabel* m_cautionTitle = nullptr;
  QPushButton* m_btnCancel = nullptr;
  QLabel* m_message = nullptr;
  QProgressBar* m_progress = nullptr;
  bool m_placed = false;
};

}  // namespace q7310
