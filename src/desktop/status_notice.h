// StatusNotice: the main window's status-bar line (after a backup: where its dated copy was
// kept, or why none could be kept; the presenter decides the text).
//
// It never blocks: the text stays until the next one replaces it. A text too long for the
// window's fixed width is drawn shortened in the middle, so that both the folder's start and the
// file name stay readable; text() and the tooltip hold it whole. A failure is drawn red.
#pragma once

#include <QLabel>

namespace q7310 {

class StatusNotice : public QLabel {
  Q_OBJECT

 public:
  explicit StatusNotice(QWidget* parent = nullptr);

  // Shows `text` (empty clears the line), red for a failure.
  void Show(const QString& text, bool failure);
  bool IsFailure() const { return m_failure; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QColor m_normalColor;
  bool m_failure = false;
};

}  // namespace q7310
