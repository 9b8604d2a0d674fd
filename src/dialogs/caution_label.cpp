#include "dialogs/caution_label.h"

#include <QPalette>

namespace q7310 {
namespace {
constexpr int kRedShift = 0;
constexpr int kGreenShift = 8;
constexpr int kBlueShift = 16;
constexpr uint32_t kChannelMask = 0xFF;
}  // namespace

CCautionLabel::CCautionLabel(QWidget* parent) : QLabel(parent) {
  // The background is the palette's button face, read at every paint, so it follows the
  // dialog's palette; only the text colour is the label's own.
  // A button-face background would otherwise pick ButtonText for the text.
  setBackgroundRole(QPalette::Button);
  setForegroundRole(QPalette::WindowText);
  setAutoFillBackground(true);
  SetLabelTextColor(kColorBlack);
}

void CCautionLabel::SetLabelTextColor(uint32_t color) {
  m_textColor = color;
  QPalette pal = palette();
  pal.setColor(QPalette::WindowText, ToQColor(color));
  setPalette(pal);
}

QColor CCautionLabel::ToQColor(uint32_t color) {
  return QColor(static_cast<int>((color >> kRedShift) & kChannelMask),
                static_cast<int>((color >> kGreenShift) & kChannelMask),
                static_cast<int>((color >> kBlueShift) & kChannelMask));
}

}  // namespace q7310
