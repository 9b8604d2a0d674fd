// RequestSender: the controller's sending side. One request is outstanding at a time; it is kept
// byte for byte, so that the reply timer can send it again, and the resends are counted from
// start-up or from the last give-up, not per request.
//
// Update and restore replies carry no request number. When the request just answered was resent,
// the amplifier may still answer its earlier copies; taken for the next request's answer, such a
// late reply would confirm a block the amplifier has not yet stored. So, after a resent request
// is answered, the next one waits until those answers have come, or for one reply period of
// silence (HoldForLateReplies, TakeLateReply, and the expiry kLateRepliesMissed).
//
// The kept frame and the resend count are the controller's own members, under the names the
// original design gives them (m_lastFrame, m_retryCount); the sender works on them in place.
// Threads: the controller's thread only.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "protocol/protocol.h"

namespace q7310 {

class CSerialPort;

class RequestSender {
 public:
  using KeptFrame = std::array<uint8_t, kLastFrameSize>;

  RequestSender(CSerialPort& serial, KeptFrame& lastFrame, uint8_t& retryCount);
  RequestSender(const RequestSender&) = delete;
  RequestSender& operator=(const RequestSender&) = delete;

  // A new request: keeps its bytes (at most kLastFrameSize) and writes them to the line. A write
  // that fails is left to the reply timer, which sends the frame again.
  void Send(std::span<const uint8_t> frame);
  // The kept request, as long as its length field says (never past the buffer).
  std::span<const uint8_t> LastFrame() const;
  // The command code of the kept request.
  uint16_t LastCommand() const;

  // What the reply timer's expiry calls for.
  enum class Expiry {
    kLateRepliesMissed,  // the wait for late replies is over: send the next request now
    kResend,             // send the kept request again (Resend); the count has grown by one
    kGiveUp,             // every resend is spent: the count starts again from 0
  };
  Expiry OnExpiry();
  // Writes the kept request again, unchanged.
  void Resend();

  // After the current request was answered: true when copies of it were resent, so that the next
  // request must wait for their answers (the caller restarts the reply timer for the wait).
  bool HoldForLateReplies();
  bool AwaitingLateReplies() const { return m_lateRepliesDue > 0; }
  // One of those answers came; true when it was the last one awaited.
  bool TakeLateReply();

 private:
  CSerialPort& m_serial;
  KeptFrame& m_lastFrame;
  uint8_t& m_retryCount;
  // Copies of the current request that the reply timer sent again.
  uint8_t m_resentCopies = 0;
  // Late answers to those copies still awaited before the next request goes out.
  uint8_t m_lateRepliesDue = 0;
};

}  // namespace q7310
