#include "desktop_win32/frame_message.h"

namespace q7310::win32 {

bool PostFrameMessage(HWND window, uint32_t status, std::vector<uint8_t> frame) {
  auto bytes = std::make_unique<std::vector<uint8_t>>(std::move(frame));
  if (!PostMessageW(window, WM_COMM_FRAME, static_cast<WPARAM>(status),
                    reinterpret_cast<LPARAM>(bytes.get()))) {
    return false;
  }
  bytes.release();  // the message owns it now
  return true;
}

PostedFrame TakeFrameMessage(WPARAM wParam, LPARAM lParam) {
  PostedFrame frame;
  frame.status = static_cast<uint32_t>(wParam);
  frame.bytes.reset(reinterpret_cast<std::vector<uint8_t>*>(lParam));
  if (!frame.bytes) frame.bytes = std::make_unique<std::vector<uint8_t>>();
  return frame;
}

int DiscardQueuedFrames(HWND window) {
  int discarded = 0;
  MSG msg;
  while (PeekMessageW(&msg, window, WM_COMM_FRAME, WM_COMM_FRAME, PM_REMOVE)) {
    TakeFrameMessage(msg.wParam, msg.lParam);
    ++discarded;
  }
  return discarded;
}

}  // namespace q7310::win32
