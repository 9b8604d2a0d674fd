// The outer size of a dialog window whose client area is given in dialog units: the frame, the
// caption and (when the window has one) the menu bar added by the system's own measures.
#pragma once

#include <windows.h>

namespace q7310::win32 {

// Pixels, for SetWindowPos.
SIZE WindowSizeForClient(HWND dialog, int widthUnits, int heightUnits);

}  // namespace q7310::win32
