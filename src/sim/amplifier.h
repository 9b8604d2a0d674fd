// The simulated amplifier in service mode: a pure request -> reply machine, no I/O.
//
// HandleFrame takes one frame as the assembler delivered it and returns what goes back on the
// wire: the reply frames (before their envelope), noise to send first, a delay, and whether the
// line is to be closed afterwards. The fault plan decides which replies are dropped, damaged or
// failing. Every clean frame is a request, numbered from 1; frames with an assembler error bit
// are counted as wire errors and not answered.
//
// Replies:
//   0x30 read slot   -> the slot's data in 0x40 blocks of at most blockSize bytes, block
//                       numbers from 0, end-of-slot flag on the last; status byte 1 in a single
//                       block when the slot is unknown or the request malformed. A slot that a
//                       restore has written since start-up answers with what was written (a
//                       real amplifier keeps it), so that reading back after a restore verifies.
//   0x31 write slot  -> 0x41, status byte 0, or 1 when the block fails RestoreReceiver's checks.
//   0x10, 0x11       -> 0x20, status 1, or 0 when the frame fails UpdateReceiver's checks; with
//                       messageEvery N, a 0x25 (status 1, messageText) before every Nth block's
//                       reply.
//   anything else    -> no reply; counted as a bad frame.
// An injected failure (fail-at) answers with the failure status and leaves the state untouched.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "protocol/protocol.h"
#include "serial/frame_assembler.h"
#include "sim/fault_plan.h"
#include "sim/restore_receiver.h"
#include "sim/slot_records.h"
#include "sim/update_receiver.h"

namespace q7310::sim {

inline constexpr const char* kDefaultDeviceMessage = "Writing flash memory";
inline constexpr const char* kDefaultFailMessage = "Flash write error";

// Stores one restored slot wrongly, so that a verify has something to find: the data byte at
// `offset` is inverted (an offset past the data's end adds a byte instead).
struct StoreFault {
  uint16_t slot = 0;
  uint32_t offset = 0;
};

struct AmplifierConfig {
  std::vector<SlotRecord> slots;        // the settings served by read-slot requests
  size_t blockSize = kMaxReadSlotData;  // data bytes per 0x40 block, 1..128
  uint32_t messageEvery = 0;            // 0: no device messages
  std::string messageText = kDefaultDeviceMessage;
  std::optional<StoreFault> storeFault;
};

struct Outgoing {
  std::vector<uint8_t> frame;
  bool corruptChecksum = false;
};

struct Response {
  std::vector<uint8_t> noise;    // sent before the frames
  std::vector<Outgoing> frames;  // in order
  unsigned delayMs = 0;          // wait before sending anything
  bool hangup = false;           // close the line after sending
  bool restoreChanged = false;   // the restored records changed: write them out
  bool imageCompleted = false;   // this request completed the update image
  bool isRequest = false;        // the frame was a request (not a wire error)
};

struct SimCounters {
  uint32_t requests = 0;
  uint32_t readSlot = 0;
  uint32_t writeSlot = 0;
  uint32_t updateStart = 0;
  uint32_t updateData = 0;
  uint32_t otherCommands = 0;
  uint32_t badFrames = 0;   // clean frames that failed a check
  uint32_t wireErrors = 0;  // frames delivered with a checksum or framing error
  uint32_t framesSent = 0;
  uint32_t deviceMessages = 0;
  uint32_t repliesDropped = 0;
  uint32_t checksumsCorrupted = 0;
  uint32_t noiseBursts = 0;
  uint32_t failuresInjected = 0;
  uint32_t deviceMessageFailures = 0;
  uint32_t delayedReplies = 0;
  uint32_t unanswered = 0;
};

class Amplifier {
 public:
  Amplifier(AmplifierConfig config, FaultPlan plan);

  Response HandleFrame(const ReceivedFrame& frame);

  const SimCounters& Counters() const { return m_counters; }
  const UpdateReceiver& Update() const { return m_update; }
  const RestoreReceiver& Restore() const { return m_restore; }

  // No bad frames or wire errors, and an update that was started ended with the whole image and
  // a matching sum.
  bool Consistent() const;

 private:
  std::vector<Outgoing> ReadSlot(std::span<const uint8_t> frame, bool fail);
  std::vector<Outgoing> WriteSlot(std::span<const uint8_t> frame, bool fail, Response& r);
  std::vector<Outgoing> UpdateStart(std::span<const uint8_t> frame, bool fail);
  std::vector<Outgoing> UpdateData(std::span<const uint8_t> frame, bool fail, Response& r);
  // The slot's data as a read-slot request finds it: restored, else served from the start.
  const std::vector<uint8_t>* FindSlot(uint16_t slot) const;
  // Takes the records the restore has closed so far as the slots' new content.
  void KeepRestoredSlots();

  AmplifierConfig m_config;
  FaultPlan m_plan;
  UpdateReceiver m_update;
  RestoreReceiver m_restore;
  SimCounters m_counters;
  bool m_deviceMessageFailSent = false;
  std::map<uint16_t, std::vector<uint8_t>> m_restoredSlots;
};

// The wire bytes of a response: the noise, then each frame in its envelope; a frame marked
// corruptChecksum has its checksum's low byte inverted.
std::vector<uint8_t> ToWire(const Response& response);

}  // namespace q7310::sim
