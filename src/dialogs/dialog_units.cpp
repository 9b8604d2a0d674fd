#include "dialogs/dialog_units.h"

#include <QApplication>
#include <QFontMetrics>
#include <QString>

namespace q7310 {
namespace {

constexpr int kUnitsPerCharX = 4;
constexpr int kUnitsPerCharY = 8;
constexpr int kLetterCount = 52;

// Rounds units * base / per to the nearest pixel.
int Scale(int units, int base, int per) {
  return (units * base + per / 2) / per;
}

}  // namespace

DialogUnits::DialogUnits(const QFont& font) {
  const QFontMetrics metrics(font);
  const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
  const int total = metrics.horizontalAdvance(letters);
  m_baseX = std::max(1, (total / (kLetterCount / 2) + 1) / 2);
  m_baseY = std::max(1, metrics.height());
}

QRect DialogUnits::Rect(int x, int y, int width, int height) const {
  return QRect(ToPixelsX(x), ToPixelsY(y), ToPixelsX(width), ToPixelsY(height));
}

QSize DialogUnits::Size(int width, int height) const {
  return QSize(ToPixelsX(width), ToPixelsY(height));
}

int DialogUnits::UnitsX(int pixels) const {
  return (pixels * kUnitsPerCharX + m_baseX - 1) / m_baseX;
}

int DialogUnits::ToPixelsX(int units) const {
  return Scale(units, m_baseX, kUnitsPerCharX);
}
int DialogUnits::ToPixelsY(int units) const {
  return Scale(units, m_baseY, kUnitsPerCharY);
}

int WidthForTitle(const QString& title) {
  // Icon, close, minimise and maximise buttons and the frame: generous for common themes.
  constexpr int kTitleBarAllowance = 160;
  const QFont font = QApplication::font("QMdiSubWindowTitleBar");
  return QFontMetrics(font).horizontalAdvance(title) + kTitleBarAllowance;
}

}  // namespace q7310
