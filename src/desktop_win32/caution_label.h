// CCautionLabel: the colours of a static text drawn in a settable colour on the dialog's
// button-face background (the red caution texts of the main window and the progress dialog).
//
// Win32 sends a static control's colour question (WM_CTLCOLORSTATIC) to the dialog that holds
// it; the dialog hands the question for the label's control to OnCtlColor, so that the label,
// not the dialog, decides the colours.
#pragma once

#include <windows.h>

#include <cstdint>

#include "app/caution_colors.h"

namespace q7310::win32 {

class CCautionLabel {
 public:
  // The background brush is made now from the system's button-face colour (COLOR_BTNFACE).
  CCautionLabel();
  ~CCautionLabel();
  CCautionLabel(const CCautionLabel&) = delete;
  CCautionLabel& operator=(const CCautionLabel&) = delete;

  // Sets the text colour (0x00BBGGRR); black until called. Takes effect at the next paint.
  void SetLabelTextColor(uint32_t color) { m_textColor = color; }
  uint32_t LabelTextColor() const { return m_textColor; }

  // The answer to WM_CTLCOLORSTATIC: the text colour and, read afresh, the button-face colour
  // behind the text go to `dc`; the brush made at construction paints the rest.
  HBRUSH OnCtlColor(HDC dc) const;

 private:
  uint32_t m_textColor = kColorBlack;
  HBRUSH m_bkBrush;
};

}  // namespace q7310::win32
