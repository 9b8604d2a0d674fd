// The Windows desktop program's own parts, where they need no display: frames posted from the
// receive thread, the caution labels' colours, the file dialog's filter, paths as Windows spells
// them and the remembered port in the registry. What the window shows and decides is the
// presenter's (tests/app/presenter_test.cpp, run here too); the real window is driven through its
// buttons by wine_desktop_gui.sh.
#include <gtest/gtest.h>
// <windows.h> first on purpose: the core's headers, the serial link's constants among them, must
// not depend on coming before it (this file does not compile if they do).
#include <windows.h>

#include <string>
#include <thread>
#include <vector>

#include "app/app_paths.h"
#include "app/texts.h"
#include "app/upgrade_dlg.h"
#include "desktop_win32/caution_label.h"
#include "desktop_win32/frame_message.h"
#include "desktop_win32/port_memory.h"
#include "desktop_win32/window_text.h"
#include "serial/envelope.h"
#include "serial/serial_device.h"

namespace q7310::win32 {
namespace {

std::vector<uint8_t> AllByteValues() {
  std::vector<uint8_t> bytes(256);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i);
  return bytes;
}

// Takes the next WM_COMM_FRAME of this thread's queue.
PostedFrame NextFrame() {
  MSG msg{};
  EXPECT_TRUE(PeekMessageW(&msg, nullptr, WM_COMM_FRAME, WM_COMM_FRAME, PM_REMOVE));
  return TakeFrameMessage(msg.wParam, msg.lParam);
}

TEST(FrameMessageTest, CarriesStatusAndEveryByteInArrivalOrder) {
  const std::vector<uint8_t> whole = AllByteValues();
  ASSERT_TRUE(PostFrameMessage(nullptr, 0, whole));
  ASSERT_TRUE(PostFrameMessage(nullptr, 0x8000'0010u, {}));
  ASSERT_TRUE(PostFrameMessage(nullptr, 7, {0x40, 0x00}));

  PostedFrame first = NextFrame();
  EXPECT_EQ(first.status, 0u);
  EXPECT_EQ(*first.bytes, whole);
  PostedFrame empty = NextFrame();
  EXPECT_EQ(empty.status, 0x8000'0010u);
  EXPECT_TRUE(empty.bytes->empty());
  PostedFrame last = NextFrame();
  EXPECT_EQ(last.status, 7u);
  EXPECT_EQ(*last.bytes, (std::vector<uint8_t>{0x40, 0x00}));
}

TEST(FrameMessageTest, FramesFromAnotherThreadArriveAndLeftoversAreFreed) {
  const DWORD self = GetCurrentThreadId();
  MSG msg;
  PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);  // this thread's queue exists from here on
  // The receive thread's side, through the thread's queue instead of a window.
  std::thread receiver([self] {
    for (uint8_t i = 0; i < 5; ++i) {
      auto* bytes = new std::vector<uint8_t>{i};
      ASSERT_TRUE(PostThreadMessageW(self, WM_COMM_FRAME, i, reinterpret_cast<LPARAM>(bytes)));
    }
  });
  receiver.join();
  const PostedFrame first = NextFrame();
  EXPECT_EQ(first.status, 0u);
  EXPECT_EQ(*first.bytes, std::vector<uint8_t>{0});
  EXPECT_EQ(DiscardQueuedFrames(nullptr), 4);
  EXPECT_EQ(DiscardQueuedFrames(nullptr), 0);
}

TEST(CautionLabelTest, TextInItsColourOnTheButtonFace) {
  const HDC dc = CreateCompatibleDC(nullptr);
  ASSERT_NE(dc, nullptr);
  CCautionLabel label;
  const COLORREF face = GetSysColor(COLOR_BTNFACE);

  const HBRUSH brush = label.OnCtlColor(dc);
  EXPECT_EQ(GetTextColor(dc), RGB(0, 0, 0)) << "black until a colour is set";
  EXPECT_EQ(GetBkColor(dc), face);
  LOGBRUSH painted{};
  ASSERT_EQ(GetObjectW(brush, sizeof painted, &painted), static_cast<int>(sizeof painted));
  EXPECT_EQ(painted.lbColor, face);

  label.SetLabelTextColor(kColorRed);
  EXPECT_EQ(label.OnCtlColor(dc), brush) << "one brush for the label's life";
  EXPECT_EQ(GetTextColor(dc), RGB(255, 0, 0));
  EXPECT_EQ(GetBkColor(dc), face);
  DeleteDC(dc);
}

// The user's real registry (of the test's Wine prefix): what was stored comes back afterwards.
TEST(PortRegistryTest, KeepsTheNumberAndTheDeviceAcrossRuns) {
  RegistryPortMemory memory;
  const RememberedPort before = memory.Load();
  memory.Save({17, "\\\\.\\COM17-Prüfung"});
  RememberedPort loaded = memory.Load();
  EXPECT_TRUE(loaded.stored);
  EXPECT_EQ(loaded.portNo, 17);
  EXPECT_EQ(loaded.device, "\\\\.\\COM17-Prüfung");
  // No device: the stored one goes, the number stays.
  memory.Save({23, ""});
  loaded = memory.Load();
  EXPECT_EQ(loaded.portNo, 23);
  EXPECT_TRUE(loaded.device.empty());
  // Nothing stored (the first start): port 1, and said so, so that the start chooses a port.
  ASSERT_EQ(RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\q7310\\q7310-upgrade\\port"),
            ERROR_SUCCESS);
  loaded = memory.Load();
  EXPECT_FALSE(loaded.stored);
  EXPECT_EQ(loaded.portNo, 1);
  if (before.stored) memory.Save(before);
}

TEST(WindowTextTest, FileFilterAndNativePaths) {
  const std::wstring filter = FileDialogFilter(texts::kRestoreFromFilter);
  EXPECT_EQ(filter,
            std::wstring(L"Backups (*.BIN *.bin)\0*.BIN;*.bin\0All files (*)\0*.*\0\0", 53));
  EXPECT_EQ(NativePath("Z:\\tmp\\app/backups/BACKUP.BIN"), "Z:\\tmp\\app\\backups\\BACKUP.BIN");
}

}  // namespace
}  // namespace q7310::win32
