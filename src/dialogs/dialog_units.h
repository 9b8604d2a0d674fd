// DialogUnits: places controls by the dialog-unit coordinates of a dialog template.
//
// One horizontal dialog unit is a quarter of the font's average character width and one vertical
// unit an eighth of its height, so a layout written in dialog units keeps its proportions with
// any font. The average width is taken over the 52 Latin letters, as dialog templates define it.
#pragma once

#include <QFont>
#include <QRect>
#include <QSize>
#include <QString>
#include <QWidget>
#include <string_view>

namespace q7310 {

class DialogUnits {
 public:
  explicit DialogUnits(const QFont& font);

  // A control's rectangle from its template position and size, in pixels.
  QRect Rect(int x, int y, int width, int height) const;
  // A client area of `width` x `height` dialog units, in pixels.
  QSize Size(int width, int height) const;
  // A width in pixels as horizontal dialog units, rounded up.
  int UnitsX(int pixels) const;

  int BaseX() const { return m_baseX; }
  int BaseY() const { return m_baseY; }

 private:
  int ToPixelsX(int units) const;
  int ToPixelsY(int units) const;

  int m_baseX;  // average character width in pixels
  int m_baseY;  // character height in pixels
};

// A control's place in a template: position and size in dialog units.
struct DialogPlace {
  int x, y, w, h;
};

// Gives `widget` its template place and returns it, so that controls are made and placed in one
// expression.
template <typename W>
W* Placed(W* widget, const DialogUnits& du, const DialogPlace& p) {
  widget->setGeometry(du.Rect(p.x, p.y, p.w, p.h));
  return widget;
}

// The width a window needs so that the window manager shows `title` whole: the text in the title
// bar's font (the application font, which the offscreen platform and most themes use), plus room
// for the window icon and the title bar's buttons.
int WidthForTitle(const QString& title);

// A text of the program (UTF-8, from texts.h) as a QString.
inline QString Q(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace q7310
