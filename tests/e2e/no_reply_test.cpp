// Never a blind wait, with the real q7310 against the real simulator: a reply that does not come
// is said as the request goes out again (a line on standard error, kept apart from the bar on a
// terminal; a resend object in JSON), and silence ends with "No reply" and what to check: the
// unit's mode, the cable, the port used and the others present (a made-up sysfs tree).
#include "app/no_reply.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "app/numbered_format.h"
#include "app/texts.h"
#include "e2e_fixture.h"
#include "support/fake_sysfs.h"
#include "support/terminal_run.h"

namespace q7310 {
namespace {

using testing::EndToEnd;
using testing::FakeSysfs;
using testing::MessageLine;
using testing::Process;
using Json = nlohmann::json;

constexpr unsigned kTimeoutMs = 300;

class NoReply : public EndToEnd {
 protected:
  // The tool on `device`, in the folder, port discovery reading the made-up trees (one built-in
  // port, /dev/ttyS0), with a short reply timer.
  std::vector<std::string> Command(const std::string& device, std::vector<std::string> words) {
    std::vector<std::string> command = {"/usr/bin/env",
                                        "Q7310_SYSFS=" + sysfs.Root().string(),
                                        Q7310_CLI_PATH,
                                        "--device",
                                        device,
                                        "--dir",
                                        (dir / "app").string(),
                                        "--yes",
                                        "--reply-timeout",
                                        std::to_string(kTimeoutMs)};
    command.insert(command.end(), words.begin(), words.end());
    return command;
  }
  int Run(const std::string& device, std::vector<std::string> words) {
    tool = std::make_unique<Process>(Command(device, std::move(words)));
    return testing::WaitForTool(*tool);
  }

  FakeSysfs sysfs = [this] {
    FakeSysfs tree(dir / "sys");
    tree.AddUart("ttyS0", "4");
    return tree;
  }();
};

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

TEST_F(NoReply, AResendIsALineOnStandardErrorAsItHappens) {
  // Request 2 (slot 1's) gets no reply: sent again once, and the backup goes on.
  const std::string device = StartSim({"--drop-reply", "2"});
  ASSERT_EQ(Run(device, {"backup"}), 0) << tool->Stderr();
  StopSim();
  EXPECT_EQ(tool->Stderr(), ResendText(1, 3, kTimeoutMs) + "\n");
  EXPECT_EQ(tool->Stdout().find("No reply"), std::string::npos) << tool->Stdout();
}

TEST_F(NoReply, AResendIsAJsonObject) {
  const std::string device = StartSim({"--drop-reply", "2"});
  ASSERT_EQ(Run(device, {"--json", "backup"}), 0) << tool->Stderr();
  StopSim();
  EXPECT_TRUE(tool->Stderr().empty()) << tool->Stderr();
  std::vector<Json> resends;
  std::istringstream lines(tool->Stdout());
  for (std::string line; std::getline(lines, line);) {
    const Json object = Json::parse(line, nullptr, false);
    ASSERT_TRUE(object.is_object()) << line;
    if (object.value("type", "") == "resend") resends.push_back(object);
  }
  ASSERT_EQ(resends.size(), 1u) << tool->Stdout();
  EXPECT_EQ(resends[0], (Json{{"type", "resend"},
                              {"command", "CMD_READ_SLOT"},
                              {"count", 1},
                              {"limit", 3},
                              {"timeout_ms", kTimeoutMs},
                              {"text", ResendText(1, 3, kTimeoutMs)}}));
}

TEST_F(NoReply, SilenceIsSaidThreeTimesThenEndsWithWhatToCheck) {
  // Slot 0 and 1 are answered, then nothing.
  const std::string device = StartSim({"--stop-after", "2"});
  EXPECT_EQ(Run(device, {"backup"}), 1);
  StopSim();
  const std::string& err = tool->Stderr();
  std::string expected;
  for (int count = 1; count <= 3; ++count) expected += ResendText(count, 3, kTimeoutMs) + "\n";
  expected += MessageLine(texts::kCaptionError, texts::kMsgNoReply);
  // The detail, one line each under "detail:".
  expected += "  detail: " + std::string(texts::kNoReplyCheck) + "\n";
  expected +=
      "          " + std::string(texts::kNoReplyMode) + std::string(texts::kGuideStage1[1]) + "\n";
  expected += "          " + std::string(texts::kNoReplyCable) +
              std::string(texts::kGuideStage1[0]) + std::string(texts::kNoReplyCrossedCable) + "\n";
  expected +=
      "          " +
      FormatNumbered(texts::kFmtNoReplyPort,
                     {device, std::string(texts::kNoReplyOtherPorts) + "/dev/ttyS0 (port 1)"}) +
      "\n";
  EXPECT_EQ(err, expected);
}

TEST_F(NoReply, OnATerminalTheResendLineStandsBetweenBarsNotUnderAStaleOne) {
  const std::string device = StartSim({"--drop-reply", "2"});
  const std::string drawn = testing::RunOnTerminal(
      Command(device, {"backup"}),
      {.columns = 100, .errorsToo = true, .environment = {{"TERM", "xterm"}, {"NO_COLOR", "1"}}});
  StopSim();
  const std::string resend = ResendText(1, 3, kTimeoutMs);
  const size_t at = drawn.find(resend);
  ASSERT_NE(at, std::string::npos) << drawn;
  EXPECT_EQ(Count(drawn, resend), 1u) << drawn;
  // The bar was wiped off its line just before, and comes back on the next line at once.
  EXPECT_EQ(drawn.rfind("\r\x1b[K", at), at - 4) << drawn;
  EXPECT_EQ(drawn.substr(at + resend.size(), 11), "\r\n\rbackup [") << drawn;
  EXPECT_NE(drawn.find("\rbackup: 9 slots, "), std::string::npos) << drawn;
}

}  // namespace
}  // namespace q7310
