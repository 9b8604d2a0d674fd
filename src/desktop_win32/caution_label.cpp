#include "desktop_win32/caution_label.h"

namespace q7310::win32 {

CCautionLabel::CCautionLabel() : m_bkBrush(CreateSolidBrush(GetSysColor(COLOR_BTNFACE))) {}

CCautionLabel::~CCautionLabel() {
  if (m_bkBrush != nullptr) DeleteObject(m_bkBrush);
}

HBRUSH CCautionLabel::OnCtlColor(HDC dc) const {
  SetTextColor(dc, static_cast<COLORREF>(m_textColor));
  SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
  return m_bkBrush;
}

}  // namespace q7310::win32
