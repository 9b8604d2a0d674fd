#include "desktop/status_notice.h"

#include <QPainter>
#include <QStyle>

#include "dialogs/caution_label.h"

namespace q7310 {

StatusNotice::StatusNotice(QWidget* parent) : QLabel(parent) {
  // Its width comes from the window, never the other way round: the window has a fixed size.
  setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  m_normalColor = palette().color(QPalette::WindowText);
}

void StatusNotice::Show(const QString& text, bool failure) {
  m_failure = failure;
  QPalette pal = palette();
  pal.setColor(QPalette::WindowText, failure ? CCautionLabel::ToQColor(kColorRed) : m_normalColor);
  setPalette(pal);
  setText(text);
  setToolTip(text);
}

void StatusNotice::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  const QRect area = contentsRect();
  const QString shown = fontMetrics().elidedText(text(), Qt::ElideMiddle, area.width());
  style()->drawItemText(&painter, area, static_cast<int>(alignment()), palette(), isEnabled(),
                        shown, foregroundRole());
}

}  // namespace q7310
