#include "desktop/backup_notice.h"

#include <QDir>
#include <QPainter>
#include <QStyle>

#include "app/texts.h"
#include "dialogs/caution_label.h"
#include "dialogs/dialog_units.h"

namespace q7310 {

BackupNotice::BackupNotice(QWidget* parent) : QLabel(parent) {
  // Its width comes from the window, never the other way round: the window has a fixed size.
  setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  m_normalColor = palette().color(QPalette::WindowText);
}

void BackupNotice::ShowKept(const QString& path) {
  Show(QString::fromUtf8(texts::kFmtBackupKept).arg(QDir::toNativeSeparators(path)), false);
}

void BackupNotice::ShowNotKept(const QString& reason) {
  Show(QString::fromUtf8(texts::kFmtBackupNotKept)
           .arg(reason.isEmpty() ? Q(texts::kReasonUnknown) : reason),
       true);
}

void BackupNotice::Clear() {
  Show({}, false);
}

void BackupNotice::Show(const QString& text, bool failure) {
  m_failure = failure;
  QPalette pal = palette();
  pal.setColor(QPalette::WindowText, failure ? CCautionLabel::ToQColor(kColorRed) : m_normalColor);
  setPalette(pal);
  setText(text);
  setToolTip(text);
}

void BackupNotice::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  const QRect area = contentsRect();
  const QString shown = fontMetrics().elidedText(text(), Qt::ElideMiddle, area.width());
  style()->drawItemText(&painter, area, static_cast<int>(alignment()), palette(), isEnabled(),
                        shown, foregroundRole());
}

}  // namespace q7310
