// The controller's sending side on its own: the kept request, the resend count that runs across
// requests, and the wait for late answers to resent copies. The port stays closed: writes fail
// harmlessly, as they would on an unplugged line, and the sender's decisions are what is tested.
#include "app/request_sender.h"

#include <gtest/gtest.h>

#include <vector>

#include "serial/serial_port.h"

namespace q7310 {
namespace {

using Expiry = RequestSender::Expiry;
using Bytes = std::vector<uint8_t>;

class RequestSenderTest : public ::testing::Test {
 protected:
  CSerialPort serial;
  RequestSender::KeptFrame lastFrame{};
  uint8_t retryCount = 0;
  RequestSender sender{serial, lastFrame, retryCount};
};

TEST_F(RequestSenderTest, KeepsTheRequestAsItsLengthFieldSays) {
  const std::vector<uint8_t> readSlot = {0x30, 0x00, 0x0A, 0x00, 0x00,
                                         0x00, 0x00, 0x00, 0x03, 0x00};
  sender.Send(readSlot);
  EXPECT_EQ(std::vector<uint8_t>(sender.LastFrame().begin(), sender.LastFrame().end()), readSlot);
  EXPECT_EQ(sender.LastCommand(), 0x30);
  EXPECT_EQ(lastFrame[8], 3) << "kept in the controller's own buffer";
  // A frame longer than the buffer is cut to it, never written past it.
  sender.Send(std::vector<uint8_t>(kLastFrameSize + 20, 0xFF));
  EXPECT_EQ(sender.LastFrame().size(), kLastFrameSize);
}

TEST_F(RequestSenderTest, ThreeResendsThenAGiveUpThatStartsTheCountAgain) {
  sender.Send(Bytes{0x30, 0x00, 0x0A, 0x00, 0, 0, 0, 0, 0, 0});
  EXPECT_EQ(sender.OnExpiry(), Expiry::kResend);
  // A new request does not reset the count: it runs from start-up or the last give-up.
  sender.Send(Bytes{0x30, 0x00, 0x0A, 0x00, 0, 0, 0, 0, 1, 0});
  EXPECT_EQ(sender.OnExpiry(), Expiry::kResend);
  EXPECT_EQ(sender.OnExpiry(), Expiry::kResend);
  EXPECT_EQ(retryCount, 3);
  EXPECT_EQ(sender.OnExpiry(), Expiry::kGiveUp);
  EXPECT_EQ(retryCount, 0);
  EXPECT_EQ(sender.OnExpiry(), Expiry::kResend);
}

TEST_F(RequestSenderTest, AnswersToResentCopiesAreAwaitedBeforeTheNextRequest) {
  sender.Send(Bytes{0x11, 0x00, 0x09, 0x00, 0, 0, 0, 0, 0xAA});
  // Not resent: the next request goes at once.
  EXPECT_FALSE(sender.HoldForLateReplies());
  EXPECT_FALSE(sender.AwaitingLateReplies());

  sender.Send(Bytes{0x11, 0x00, 0x09, 0x00, 0, 0, 1, 0, 0xBB});
  ASSERT_EQ(sender.OnExpiry(), Expiry::kResend);
  ASSERT_EQ(sender.OnExpiry(), Expiry::kResend);
  // Answered once, but two copies went out again: two more answers may come.
  EXPECT_TRUE(sender.HoldForLateReplies());
  EXPECT_TRUE(sender.AwaitingLateReplies());
  EXPECT_FALSE(sender.TakeLateReply());
  EXPECT_TRUE(sender.TakeLateReply());
  EXPECT_FALSE(sender.AwaitingLateReplies());
}

TEST_F(RequestSenderTest, SilenceEndsTheWaitWithoutCountingAResend) {
  sender.Send(Bytes{0x31, 0x00, 0x0A, 0x00, 0, 0, 0, 0, 0, 0});
  ASSERT_EQ(sender.OnExpiry(), Expiry::kResend);
  ASSERT_TRUE(sender.HoldForLateReplies());
  EXPECT_EQ(sender.OnExpiry(), Expiry::kLateRepliesMissed);
  EXPECT_EQ(retryCount, 1);
  EXPECT_FALSE(sender.AwaitingLateReplies());
  // The next request starts with no copies resent.
  sender.Send(Bytes{0x31, 0x00, 0x0A, 0x00, 0, 0, 1, 0, 0, 0});
  EXPECT_FALSE(sender.HoldForLateReplies());
}

}  // namespace
}  // namespace q7310
