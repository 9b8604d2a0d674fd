#include "desktop_win32/window_size.h"

namespace q7310::win32 {

SIZE WindowSizeForClient(HWND dialog, int widthUnits, int heightUnits) {
  RECT client{0, 0, widthUnits, heightUnits};
  MapDialogRect(dialog, &client);
  const auto style = static_cast<DWORD>(GetWindowLongPtrW(dialog, GWL_STYLE));
  const auto exStyle = static_cast<DWORD>(GetWindowLongPtrW(dialog, GWL_EXSTYLE));
  AdjustWindowRectEx(&client, style, GetMenu(dialog) != nullptr, exStyle);
  return {client.right - client.left, client.bottom - client.top};
}

}  // namespace q7310::win32
