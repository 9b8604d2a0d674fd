// The session on real folders, a real trace file and a real pseudo-terminal: the order in which
// it takes the folder, the trace and the port, and that it lets go of all of them at the end.
#include "app/session.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "app/texts.h"
#include "app/upgrade_dlg.h"
#include "app/work_folder.h"
#include "protocol/protocol.h"
#include "support/pty_peer.h"
#include "support/sample_firmware.h"
#include "test_host.h"
#include "util/folder_lock.h"

namespace q7310 {
namespace {

namespace fs = std::filesystem;
using testing::PtyPeer;
using testing::TestHost;

class SessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = fs::temp_directory_path() /
             ("q7310-session-" + std::to_string(::getpid()) + "-" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder);
    fs::create_directories(folder);
  }
  void TearDown() override { fs::remove_all(folder); }

  SessionOptions Options() const {
    SessionOptions options;
    options.dir = folder.string();
    options.device = pty.DevicePath();
    return options;
  }

  static std::string Read(const fs::path& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

  fs::path folder;
  PtyPeer pty;
};

TEST_F(SessionTest, WiresTheFolderTraceAndPortAndLetsGoOfThemAtTheEnd) {
  const fs::path tracePath = folder / "run.trace";
  SessionOptions options = Options();
  options.trace = tracePath.string();
  options.replyTimeoutMs = 1234;
  TestHost host;  // the link's receiver outlives the link
  {
    Session session(options, "session-test");
    ASSERT_TRUE(session.ChooseFolder().Ok());
    EXPECT_EQ(session.Folder(), folder.string());
    const SessionStatus opened = session.Open();
    ASSERT_TRUE(opened.Ok()) << opened.text;
    EXPECT_TRUE(session.HoldsFolder());
    ASSERT_NE(session.Trace(), nullptr);

    const std::unique_ptr<CUpgradeDlg> controller = session.MakeController(host);
    host.Attach(*controller);
    controller->OnInitDialog(host, session.PortNo());
    ASSERT_EQ(controller->Stage(), 1) << "the named device did not open";
    EXPECT_EQ(controller->AppFolder(), folder.string());

    controller->OnBackup();
    const auto request = pty.ReadFrame();
    ASSERT_TRUE(request.has_value());
    EXPECT_EQ(GetU16(request->bytes, kOffCommand), CMD_READ_SLOT);
    EXPECT_EQ(host.TimerDeadline(kReplyTimerId), host.Now() + 1234);
    // The session ends with the port still open: it closes the link before the trace.
  }
  const std::string trace = Read(tracePath);
  EXPECT_NE(trace.find("by session-test"), std::string::npos) << trace;
  EXPECT_NE(trace.find("CMD_READ_SLOT"), std::string::npos) << trace;

  // Nothing is held any more: the next run takes the same folder.
  Session next(Options(), "session-test");
  ASSERT_TRUE(next.ChooseFolder().Ok());
  EXPECT_TRUE(next.Open().Ok());
}

// Every front end's controller comes from MakeController, which hands on the choice on the
// simulator's sample: refused unless the options allow it.
TEST_F(SessionTest, TheControllerTakesTheSessionsChoiceOnTheSample) {
  testing::CopySampleFirmwareTo(folder);
  for (const bool allowed : {false, true}) {
    SCOPED_TRACE(allowed ? "allowed" : "refused");
    SessionOptions options = Options();
    options.allowSample = allowed;
    TestHost host;
    Session session(options, "session-test");
    ASSERT_TRUE(session.ChooseFolder().Ok());
    ASSERT_TRUE(session.Open().Ok());
    const std::unique_ptr<CUpgradeDlg> controller = session.MakeController(host);
    host.Attach(*controller);
    controller->OnInitDialog(host, session.PortNo());
    ASSERT_EQ(controller->Stage(), 1) << "the named device did not open";
    controller->OnUpdate();
    const auto request = pty.ReadFrame(allowed ? 5000 : 100);
    EXPECT_EQ(request.has_value(), allowed);
    if (allowed) {
      EXPECT_TRUE(host.messages.empty());
      EXPECT_EQ(GetU16(request->bytes, kOffCommand), CMD_UPDATE_START);
      controller->OnCommCancel();
    } else {
      ASSERT_EQ(host.messages.size(), 1u);
      EXPECT_EQ(host.messages[0].text, texts::kMsgSampleFirmware);
    }
    controller->OnDestroy();
  }
}

TEST_F(SessionTest, ASecondSessionOnTheFolderTouchesNoTrace) {
  Session first(Options(), "first");
  ASSERT_TRUE(first.ChooseFolder().Ok());
  ASSERT_TRUE(first.Open().Ok());

  SessionOptions options = Options();
  options.trace = (folder / "second.trace").string();
  Session second(options, "second");
  ASSERT_TRUE(second.ChooseFolder().Ok());
  const SessionStatus refused = second.Open();
  EXPECT_EQ(refused.problem, SessionProblem::kFolderInUse);
  EXPECT_EQ(refused.text, FormatText(texts::kFmtFolderInUse, folder.string()));
  EXPECT_FALSE(fs::exists(folder / "second.trace"));
  EXPECT_EQ(second.Trace(), nullptr);
  EXPECT_FALSE(second.HoldsFolder());
}

TEST_F(SessionTest, RefusesBadFoldersAndTracesWithTheirTexts) {
  struct Case {
    const char* what;
    fs::path dir;
    fs::path trace;
    SessionProblem problem;
    std::string textStart;
  };
  const Case cases[] = {
      {"a missing folder",
       folder / "missing",
       {},
       SessionProblem::kFolderUnusable,
       std::string(texts::kMsgFolderUnusable)},
      {"the backup file as trace", folder, folder / "BACKUP.BIN", SessionProblem::kTraceIsOwnFile,
       "The trace file "},
      {"a trace in a missing folder", folder, folder / "missing" / "run.trace",
       SessionProblem::kTraceNotWritable, std::string(texts::kTraceNotWritable)},
      {"the serial device as trace", folder, pty.DevicePath(), SessionProblem::kTraceIsOwnFile,
       FormatText(texts::kFmtTraceIsSerialDevice, pty.DevicePath())},
  };
  for (const Case& c : cases) {
    SessionOptions options = Options();
    options.dir = c.dir.string();
    options.trace = c.trace.string();
    Session session(options, "session-test");
    ASSERT_TRUE(session.ChooseFolder().Ok()) << c.what;
    const SessionStatus status = session.Open();
    EXPECT_EQ(status.problem, c.problem) << c.what;
    EXPECT_EQ(status.text.rfind(c.textStart, 0), 0u) << c.what << ": " << status.text;
    EXPECT_EQ(session.Trace(), nullptr) << c.what;
  }
  // The folder problem names its reason apart, for the detail line.
  Session missing(
      [&] {
        SessionOptions options = Options();
        options.dir = (folder / "missing").string();
        return options;
      }(),
      "session-test");
  ASSERT_TRUE(missing.ChooseFolder().Ok());
  EXPECT_NE(missing.Open().detail.find(texts::kDetailNoSuchFolder), std::string::npos);
}

TEST_F(SessionTest, ALockThatCannotBeTakenStopsTheRunBeforeAnythingIsTouched) {
  fs::create_directories(folder / kFolderLockFile);  // a folder in the lock file's place
  for (bool writesFolder : {true, false}) {
    SessionOptions options = Options();
    options.trace = (folder / "run.trace").string();
    options.writesFolder = writesFolder;  // a restore alone: the folder can be written all the same
    Session session(options, "session-test");
    ASSERT_TRUE(session.ChooseFolder().Ok());
    const SessionStatus status = session.Open();
    EXPECT_EQ(status.problem, SessionProblem::kFolderNotLockable) << writesFolder;
    EXPECT_EQ(status.text.rfind(FormatText(texts::kFmtFolderNotLockable, folder.string()), 0), 0u)
        << status.text;
    EXPECT_NE(status.text.find((folder / kFolderLockFile).string()), std::string::npos)
        << status.text;
    EXPECT_FALSE(fs::exists(folder / "run.trace"));
    EXPECT_FALSE(session.HoldsFolder());
  }
}

}  // namespace
}  // namespace q7310
