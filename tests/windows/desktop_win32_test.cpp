// The Windows desktop program's host, where it needs no display: frames posted from the receive
// thread, the caution labels' colours, what the main window shows per stage, closing, the
// command line, the file dialog's filter and the remembered port in the registry.
#include <gtest/gtest.h>

// The core's headers come before <windows.h> (its macros would replace names they define).
// clang-format off
#include "app/texts.h"
#include "app/upgrade_dlg.h"
#include "desktop_win32/command_line.h"
#include "desktop_win32/port_registry.h"
#include "desktop_win32/window_view.h"

#include <windows.h>
// clang-format on

#include <string>
#include <thread>
#include <vector>

#include "desktop_win32/caution_label.h"
#include "desktop_win32/frame_message.h"
#include "desktop_win32/window_text.h"

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

TEST(WindowViewTest, EachStageEnablesItsOneButtonAndTheMenuAsTheGuidanceSays) {
  struct Row {
    int stage;
    bool backup, update, restore, setting, portMenus, caution;
  };
  const Row rows[] = {
      {0, false, false, false, true, false, false},
      {1, true, false, false, true, true, true},
      {2, false, true, false, false, true, false},
      {3, false, false, true, false, true, false},
  };
  for (const Row& row : rows) {
    const MainWindowView view = ViewOf(CUpgradeDlg::GuidanceFor(row.stage));
    EXPECT_EQ(view.backupEnabled, row.backup) << row.stage;
    EXPECT_EQ(view.updateEnabled, row.update) << row.stage;
    EXPECT_EQ(view.restoreEnabled, row.restore) << row.stage;
    EXPECT_EQ(view.settingEnabled, row.setting) << row.stage;
    // Restore from saved backup and Verify settings need the open port, nothing else.
    EXPECT_EQ(view.restoreFromEnabled, row.portMenus) << row.stage;
    EXPECT_EQ(view.verifyEnabled, row.portMenus) << row.stage;
    EXPECT_EQ(view.cautionTitle, row.caution ? texts::kCautionTitle : "") << row.stage;
    EXPECT_EQ(view.cautionText, row.caution ? texts::kMainCaution : "") << row.stage;
  }
  // The multi-line box breaks lines at "\r\n".
  const MainWindowView stage3 = ViewOf(CUpgradeDlg::GuidanceFor(3));
  EXPECT_EQ(stage3.instructions, std::string(texts::kGuideStage3[0]) + "\r\n" +
                                     std::string(texts::kGuideStage3[1]) + "\r\n" +
                                     std::string(texts::kGuideStage3[2]) + "\r\n" +
                                     std::string(texts::kGuideStage3[3]));
}

TEST(WindowViewTest, ClosingIsRefusedMidOperationAndAskedWithAHeldBackup) {
  for (int stage = 0; stage <= 3; ++stage) {
    EXPECT_EQ(DecideClose(false, stage), CloseStep::kRefuse) << stage;
  }
  EXPECT_EQ(DecideClose(true, 0), CloseStep::kClose);
  EXPECT_EQ(DecideClose(true, 1), CloseStep::kClose);
  EXPECT_EQ(DecideClose(true, 2), CloseStep::kAskFirst);
  EXPECT_EQ(DecideClose(true, 3), CloseStep::kAskFirst);
}

TEST(CommandLineTest, TakesTheDesktopOptions) {
  const ParsedCommandLine none = ParseDesktopCommandLine({});
  EXPECT_FALSE(none.exitNow);
  EXPECT_TRUE(none.options.device.empty());
  EXPECT_TRUE(none.options.dir.empty());

  const ParsedCommandLine all = ParseDesktopCommandLine(
      {"--device", "COM12", "--dir", "C:\\Prüfung\\日本", "--trace", "t.log"});
  EXPECT_FALSE(all.exitNow);
  EXPECT_EQ(all.options.device, "COM12");
  EXPECT_EQ(all.options.dir, "C:\\Prüfung\\日本");
  EXPECT_EQ(all.options.trace, "t.log");
}

TEST(CommandLineTest, OnlyAGivenDeviceReplacesTheRememberedOne) {
  EXPECT_FALSE(CommandLineDevice(ParseDesktopCommandLine({})).has_value());
  EXPECT_EQ(CommandLineDevice(ParseDesktopCommandLine({"--device", "COM12"})), "COM12");
  // Given empty: the port number's device, not the remembered one.
  EXPECT_EQ(CommandLineDevice(ParseDesktopCommandLine({"--device", ""})), "");
}

// The user's real registry (of the test's Wine prefix): what was stored comes back afterwards.
TEST(PortRegistryTest, KeepsTheNumberAndTheDeviceAcrossRuns) {
  const RememberedPort before = LoadRememberedPort();
  SaveRememberedPort({17, "\\\\.\\COM17-Prüfung"});
  RememberedPort loaded = LoadRememberedPort();
  EXPECT_EQ(loaded.portNo, 17);
  EXPECT_EQ(loaded.device, "\\\\.\\COM17-Prüfung");
  // No device: the stored one goes, the number stays.
  SaveRememberedPort({23, ""});
  loaded = LoadRememberedPort();
  EXPECT_EQ(loaded.portNo, 23);
  EXPECT_TRUE(loaded.device.empty());
  SaveRememberedPort(before);
}

TEST(CommandLineTest, HelpVersionAndMistakesEndAtOnce) {
  const ParsedCommandLine help = ParseDesktopCommandLine({"--help"});
  EXPECT_TRUE(help.exitNow);
  EXPECT_EQ(help.exitStatus, 0);
  EXPECT_NE(help.text.find("--device"), std::string::npos) << help.text;
  EXPECT_NE(help.text.find("--dir"), std::string::npos) << help.text;

  const ParsedCommandLine version = ParseDesktopCommandLine({"--version"});
  EXPECT_TRUE(version.exitNow);
  EXPECT_EQ(version.exitStatus, 0);
  EXPECT_EQ(version.text.rfind("q7310-upgrade 2.", 0), 0u) << version.text;

  for (const std::vector<std::string>& wrong :
       {std::vector<std::string>{"--frobnicate"}, {"--device"}, {"stray"}}) {
    const ParsedCommandLine parsed = ParseDesktopCommandLine(wrong);
    EXPECT_TRUE(parsed.exitNow) << wrong[0];
    EXPECT_EQ(parsed.exitStatus, 2) << wrong[0];
    EXPECT_NE(parsed.text.find(std::string(texts::kUsageSeeHelp)), std::string::npos);
  }
}

TEST(WindowTextTest, FileFilterAndNativePaths) {
  const std::wstring filter = FileDialogFilter(texts::kRestoreFromFilter);
  EXPECT_EQ(filter,
            std::wstring(L"Backups (*.BIN *.bin)\0*.BIN;*.bin\0All files (*)\0*.*\0\0", 53));
  EXPECT_EQ(NativePath("Z:\\tmp\\app/backups/BACKUP.BIN"), "Z:\\tmp\\app\\backups\\BACKUP.BIN");
}

}  // namespace
}  // namespace q7310::win32
