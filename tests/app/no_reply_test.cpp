// What the operator is told when the amplifier does not answer: the resend's line and the
// give-up's detail, for every operation and every shape of the port list.
#include "app/no_reply.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/numbered_format.h"
#include "app/texts.h"
#include "app/upgrade_dlg.h"

namespace q7310 {
namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    lines.push_back(text.substr(start, end - start));
  }
  lines.push_back(text.substr(start));
  return lines;
}

std::string Joined(std::string_view lead, std::initializer_list<std::string_view> parts) {
  std::string text(lead);
  for (std::string_view part : parts) text += std::string(part);
  return text;
}

SerialPortInfo Com(int number, std::string description = {}, std::string vendor = {}) {
  SerialPortInfo port;
  port.device = "COM" + std::to_string(number);
  port.portNumber = number;
  port.description = std::move(description);
  if (!vendor.empty()) {
    port.vendorId = vendor;
    port.productId = "6001";
  }
  return port;
}

TEST(NoReply, SecondsAreTheTimersPeriodWithOneDecimalOrAsManyAsItNeeds) {
  EXPECT_EQ(SecondsText(5000), "5.0");
  EXPECT_EQ(SecondsText(300), "0.3");
  EXPECT_EQ(SecondsText(250), "0.25");
  EXPECT_EQ(SecondsText(1), "0.001");
  EXPECT_EQ(SecondsText(12340), "12.34");
  EXPECT_EQ(SecondsText(3600000), "3600.0");
}

TEST(NoReply, TheResendSaysTheWaitAndTheCountOfTheRun) {
  EXPECT_EQ(ResendText(1, 3, 5000), FormatNumbered(texts::kFmtResend, {"5.0", "1", "3"}));
  EXPECT_EQ(ResendText(3, 3, 250), FormatNumbered(texts::kFmtResend, {"0.25", "3", "3"}));
}

TEST(NoReply, EachOperationNamesItsModeInItsStagesWords) {
  struct Row {
    int mode;
    std::string modeLine;
  };
  const std::string backupFromOff(texts::kGuideStage1[1]);
  const std::string update =
      std::string(texts::kGuideStage2[0]) + " " + std::string(texts::kGuideStage2[1]);
  const std::string backupAfterUpdate(texts::kGuideStage3[2]);
  const Row rows[] = {
      {CUpgradeDlg::kBackup, backupFromOff},
      {CUpgradeDlg::kUpdate, update},
      {CUpgradeDlg::kRestore, backupAfterUpdate},
      {CUpgradeDlg::kVerify, backupAfterUpdate},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.mode);
    NoReplyFacts facts;
    facts.mode = row.mode;
    facts.port = {1, {}};
    const std::vector<std::string> lines = Lines(NoReplyDetail(facts));
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], texts::kNoReplyCheck);
    EXPECT_EQ(lines[1], std::string(texts::kNoReplyMode) + row.modeLine);
    EXPECT_EQ(lines[2],
              Joined(texts::kNoReplyCable, {texts::kGuideStage1[0], texts::kNoReplyCrossedCable}));
  }
  // The keys themselves are there, as the stages spell them.
  NoReplyFacts updating;
  updating.mode = CUpgradeDlg::kUpdate;
  EXPECT_NE(NoReplyDetail(updating).find("(INPUT SELECT 8 + ESC/BACK + POWER)"), std::string::npos);
}

TEST(NoReply, ThePortUsedIsNamedAmongTheOthersPresent) {
  NoReplyFacts facts;
  facts.mode = CUpgradeDlg::kBackup;

  // A number, listed as a USB adapter: its device (as the port number names it on this system)
  // and description; the others follow.
  facts.port = {5, {}};
  facts.present = {Com(1), Com(5, "USB Serial Port (COM5)", "0403"), Com(6, "Prolific")};
  EXPECT_EQ(
      Lines(NoReplyDetail(facts)).back(),
      FormatNumbered(texts::kFmtNoReplyPort,
                     {PortDevice({5, {}}) + " (USB Serial Port (COM5), 0403:6001)",
                      std::string(texts::kNoReplyOtherPorts) + "COM1 (port 1), COM6 (Prolific)"}));

  // A device the system does not list (a pseudo-terminal): every listed port is another one.
  facts.port = {0, "/dev/pts/7"};
  facts.present = {Com(1)};
  EXPECT_EQ(
      Lines(NoReplyDetail(facts)).back(),
      FormatNumbered(texts::kFmtNoReplyPort,
                     {"/dev/pts/7", std::string(texts::kNoReplyOtherPorts) + "COM1 (port 1)"}));

  // The only port.
  facts.port = {1, {}};
  EXPECT_EQ(Lines(NoReplyDetail(facts)).back(),
            FormatNumbered(texts::kFmtNoReplyPort,
                           {PortDevice({1, {}}) + " (port 1)", texts::kNoReplyNoOtherPort}));
}

TEST(NoReply, FailedWritesComeFirst) {
  NoReplyFacts facts;
  facts.writeFailure = "Input/output error";
  const std::vector<std::string> lines = Lines(NoReplyDetail(facts));
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0], std::string(texts::kDetailWritesFailed) + ": Input/output error");
  EXPECT_EQ(lines[1], texts::kNoReplyCheck);
}

}  // namespace
}  // namespace q7310
