// The colours of the caution texts, as both desktop programs set them. Colour values are
// 0x00BBGGRR: red in the low byte, then green, then blue (the Win32 COLORREF layout).
#pragma once

#include <cstdint>

namespace q7310 {

inline constexpr uint32_t kColorBlack = 0x000000;
inline constexpr uint32_t kColorRed = 0x0000FF;

}  // namespace q7310
