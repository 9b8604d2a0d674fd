// BackupNotice: the main window's status-bar line that says where the dated copy of the last
// backup was kept, or why none could be kept.
//
// It never blocks: the text stays until the window clears it or shows the next backup's. A text
// too long for the window's fixed width is drawn shortened in the middle, so that both the
// folder's start and the file name stay readable; text() and the tooltip hold it whole. A failure
// is drawn red.
#pragma once

#include <QLabel>

namespace q7310 {

class BackupNotice : public QLabel {
  Q_OBJECT

 public:
  explicit BackupNotice(QWidget* parent = nullptr);

  // The dated copy was written to `path`.
  void ShowKept(const QString& path);
  // No dated copy could be written, for `reason`.
  void ShowNotKept(const QString& reason);
  void Clear();

  bool IsFailure() const { return m_failure; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void Show(const QString& text, bool failure);

  QColor m_normalColor;
  bool m_failure = false;
};

}  // namespace q7310
