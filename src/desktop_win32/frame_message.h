// Frames from the serial link's receive thread to the window's thread: a posted window message,
// WM_COMM_FRAME, whose wParam is the receive status word and whose lParam is a heap copy of the
// frame's bytes (a std::vector, so that the size travels with them). Whoever takes the message
// owns the copy. The progress dialog's Cancel posts WM_COMM_CANCEL (no parameters).
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <vector>

namespace q7310::win32 {

inline constexpr UINT WM_COMM_FRAME = WM_USER + 100;
inline constexpr UINT WM_COMM_CANCEL = WM_USER + 101;

// Posts `frame` to `window` (null: the calling thread's queue). Any thread may call it. False
// when the message could not be posted (the copy is then freed here).
bool PostFrameMessage(HWND window, uint32_t status, std::vector<uint8_t> frame);

struct PostedFrame {
  uint32_t status = 0;
  std::unique_ptr<std::vector<uint8_t>> bytes;  // never null
};

// Takes the frame out of a WM_COMM_FRAME message's parameters.
PostedFrame TakeFrameMessage(WPARAM wParam, LPARAM lParam);

// Removes the WM_COMM_FRAME messages still queued for `window` on this thread and frees their
// copies; returns how many there were. For after the link has closed, when no more can come.
int DiscardQueuedFrames(HWND window);

}  // namespace q7310::win32
