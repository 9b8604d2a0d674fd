// The command line and start-up that both desktop programs share: the options, help, version and
// usage errors, the port that a start opens (the remembered one and --device), and the session
// opened or refused before the window appears.
#include "app/desktop_start.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/texts.h"
#include "support/files.h"
#include "support/temp_folder.h"

namespace q7310 {
namespace {

namespace fs = std::filesystem;

CommandLineEnd Parse(DesktopCommandLine& commandLine, std::vector<std::string> args) {
  return commandLine.Parse(args);
}

TEST(DesktopCommandLineTest, TakesTheDesktopOptions) {
  DesktopCommandLine none;
  EXPECT_FALSE(Parse(none, {}).exitNow);
  EXPECT_FALSE(none.Options().device.has_value());
  EXPECT_TRUE(none.Options().dir.empty());
  EXPECT_TRUE(none.Options().trace.empty());
  EXPECT_FALSE(none.Options().allowSample);

  DesktopCommandLine all;
  EXPECT_FALSE(Parse(all, {"--device", "COM12", "--dir", "C:\\Prüfung\\日本", "--trace", "t.log",
                           "--allow-sample"})
                   .exitNow);
  EXPECT_EQ(all.Options().device, "COM12");
  EXPECT_EQ(all.Options().dir, "C:\\Prüfung\\日本");
  EXPECT_EQ(all.Options().trace, "t.log");
  EXPECT_TRUE(all.Options().allowSample);

  // Given empty, --device asks for the port number's device: it is there, and empty.
  DesktopCommandLine empty;
  EXPECT_FALSE(Parse(empty, {"--device", ""}).exitNow);
  EXPECT_EQ(empty.Options().device, "");
}

TEST(DesktopCommandLineTest, HelpVersionAndMistakesEndAtOnce) {
  DesktopCommandLine help;
  const CommandLineEnd helped = Parse(help, {"--help"});
  EXPECT_TRUE(helped.exitNow);
  EXPECT_EQ(helped.exitStatus, 0);
  EXPECT_NE(helped.text.find("--device " + std::string(texts::kDeviceValueName)), std::string::npos)
      << helped.text;
  EXPECT_NE(helped.text.find("--dir"), std::string::npos) << helped.text;
  EXPECT_NE(helped.text.find(std::string(texts::kHelpDeviceRemembered)), std::string::npos);
  EXPECT_NE(helped.text.find("--allow-sample"), std::string::npos) << helped.text;
  EXPECT_NE(helped.text.back(), '\n');

  DesktopCommandLine version;
  const CommandLineEnd versioned = Parse(version, {"--version"});
  EXPECT_TRUE(versioned.exitNow);
  EXPECT_EQ(versioned.exitStatus, 0);
  EXPECT_EQ(versioned.text.rfind("q7310-upgrade 2.", 0), 0u) << versioned.text;

  for (const std::vector<std::string>& wrong :
       {std::vector<std::string>{"--frobnicate"}, {"--device"}, {"stray"}}) {
    DesktopCommandLine commandLine;
    const CommandLineEnd end = Parse(commandLine, wrong);
    EXPECT_TRUE(end.exitNow) << wrong[0];
    EXPECT_EQ(end.exitStatus, 2) << wrong[0];
    EXPECT_NE(end.text.find(std::string(texts::kUsageSeeHelp)), std::string::npos);
  }
}

TEST(DesktopCommandLineTest, AProgramsOwnOptionsJoinTheCommonOnes) {
  DesktopCommandLine commandLine;
  bool ownFlag = false;
  commandLine.App().add_flag("--own", ownFlag, "hidden")->group("");
  EXPECT_FALSE(Parse(commandLine, {"--own", "--dir", "d"}).exitNow);
  EXPECT_TRUE(ownFlag);
  EXPECT_EQ(commandLine.Options().dir, "d");
  DesktopCommandLine helped;
  helped.App().add_flag("--own", ownFlag, "hidden")->group("");
  EXPECT_EQ(Parse(helped, {"--help"}).text.find("--own"), std::string::npos);
}

TEST(DesktopStartTest, TheCommandLineDeviceReplacesTheRememberedOneButNotTheNumber) {
  const RememberedPort remembered{12, "/dev/ttyUSB3"};
  DesktopOptions options;
  options.dir = "folder";
  options.trace = "trace.log";
  SessionOptions plain = DesktopSessionOptions(options, remembered);
  EXPECT_EQ(plain.portNo, 12);
  EXPECT_EQ(plain.device, "/dev/ttyUSB3");
  EXPECT_EQ(plain.dir, "folder");
  EXPECT_EQ(plain.trace, "trace.log");
  EXPECT_TRUE(plain.writesFolder);
  EXPECT_FALSE(plain.allowSample);
  options.allowSample = true;
  EXPECT_TRUE(DesktopSessionOptions(options, remembered).allowSample);

  options.device = "COM7";
  const SessionOptions named = DesktopSessionOptions(options, remembered);
  EXPECT_EQ(named.portNo, 12);
  EXPECT_EQ(named.device, "COM7");
  // An empty --device asks for the port number's device.
  options.device = "";
  EXPECT_TRUE(DesktopSessionOptions(options, remembered).device.empty());

  EXPECT_TRUE(UsableRememberedPortNo(0));
  EXPECT_TRUE(UsableRememberedPortNo(2147483647LL));
  EXPECT_FALSE(UsableRememberedPortNo(-1));
  EXPECT_FALSE(UsableRememberedPortNo(2147483648LL));
}

TEST(DesktopStartTest, ThePortIsChosenOnlyWhenNeitherTheCommandLineNorAnEarlierRunNamedOne) {
  DesktopOptions options;
  RememberedPort nothingStored;
  EXPECT_FALSE(StartPortNamed(options, nothingStored));
  RememberedPort stored{1, "", true};
  EXPECT_TRUE(StartPortNamed(options, stored));
  options.device = "/dev/ttyUSB1";
  EXPECT_TRUE(StartPortNamed(options, nothingStored));
  // Even an empty --device names the port: the port number's device.
  options.device = "";
  EXPECT_TRUE(StartPortNamed(options, nothingStored));
}

TEST(DesktopStartTest, ASessionOpensOrSaysWhyNot) {
  testing::TempFolder scratch("q7310-desktop-start");
  DesktopOptions options;
  options.dir = scratch.File("app");
  fs::create_directories(options.dir);
  {
    Session session(DesktopSessionOptions(options, {}), "q7310-upgrade");
    EXPECT_EQ(OpenDesktopSession(session), "");
    EXPECT_TRUE(session.HoldsFolder());
    // A second program on the same folder is refused, with the folder named.
    Session second(DesktopSessionOptions(options, {}), "q7310-upgrade");
    const std::string refusal = OpenDesktopSession(second);
    EXPECT_NE(refusal.find(options.dir), std::string::npos) << refusal;
    EXPECT_FALSE(second.HoldsFolder());
  }
  // A folder that is not there: the text and, on the next line, the reason.
  options.dir = scratch.File("missing");
  Session missing(DesktopSessionOptions(options, {}), "q7310-upgrade");
  const std::string refusal = OpenDesktopSession(missing);
  ASSERT_EQ(refusal.rfind(std::string(texts::kMsgFolderUnusable), 0), 0u) << refusal;
  EXPECT_NE(refusal.find('\n'), std::string::npos) << refusal;
}

}  // namespace
}  // namespace q7310
