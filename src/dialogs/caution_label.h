// CCautionLabel: a static text whose text colour can be set, drawn on the dialog's button-face
// background. The main window and the progress dialog colour their caution texts red with it.
#pragma once

#include <QLabel>
#include <cstdint>

#include "app/caution_colors.h"

namespace q7310 {

class CCautionLabel : public QLabel {
  Q_OBJECT

 public:
  explicit CCautionLabel(QWidget* parent = nullptr);

  // Sets the text colour (0x00BBGGRR); black until called. Takes effect at the next paint.
  void SetLabelTextColor(uint32_t color);
  uint32_t LabelTextColor() const { return m_textColor; }

  // The colour value as a Qt colour.
  static QColor ToQColor(uint32_t color);

 private:
  uint32_t m_textColor = kColorBlack;
};

}  // namespace q7310
