#include "sim/amplifier.h"

#include <algorithm>

#include "protocol/frames.h"
#include "serial/envelope.h"

namespace q7310::sim {

namespace {
constexpr uint8_t kSlotStatusOk = 0;
constexpr uint8_t kSlotStatusFail = 1;
constexpr uint16_t kUpdateStatusFail = 0;
constexpr uint32_t kAssemblerErrors = RXERR_CHECKSUM | RXERR_FRAMING;

// The end-of-slot flag as the amplifier sets it.
constexpr uint8_t kEndOfSlot = 1;
constexpr uint8_t kMoreBlocks = 0;

// A device message; a longer text is cut to what one frame shows.
std::vector<uint8_t> DeviceMessageFrame(uint16_t status, std::string_view text) {
  return BuildDeviceMessage({status, TextBytes(text.substr(0, kMaxDeviceText))});
}

}  // namespace

std::vector<uint8_t> ToWire(const Response& response) {
  std::vector<uint8_t> wire = response.noise;
  for (const auto& out : response.frames) {
    AppendEnvelope(out.frame, wire);
    if (out.corruptChecksum) wire.back() ^= 0xFF;
  }
  return wire;
}

Amplifier::Amplifier(AmplifierConfig config, FaultPlan plan)
    : m_config(std::move(config)), m_plan(std::move(plan)) {
  m_config.blockSize = std::clamp<size_t>(m_config.blockSize, 1, kMaxReadSlotData);
}

bool Amplifier::Consistent() const {
  if (m_counters.badFrames != 0 || m_counters.wireErrors != 0) return false;
  return !m_update.Started() || m_update.SumMatches();
}

const std::vector<uint8_t>* Amplifier::FindSlot(uint16_t slot) const {
  if (const auto restored = m_restoredSlots.find(slot); restored != m_restoredSlots.end()) {
    return &restored->second;
  }
  auto it = std::find_if(m_config.slots.begin(), m_config.slots.end(),
                         [slot](const SlotRecord& r) { return r.slot == slot; });
  return it == m_config.slots.end() ? nullptr : &it->data;
}

void Amplifier::KeepRestoredSlots() {
  const auto records = ParseSlotRecords(m_restore.Records());
  if (!records) return;
  for (const SlotRecord& record : *records) m_restoredSlots[record.slot] = record.data;
  if (const auto& fault = m_config.storeFault) {
    if (auto it = m_restoredSlots.find(fault->slot); it != m_restoredSlots.end()) {
      std::vector<uint8_t>& data = it->second;
      if (fault->offset < data.size()) {
        data[fault->offset] ^= 0xFF;
      } else {
        data.push_back(0);
      }
    }
  }
}

std::vector<Outgoing> Amplifier::ReadSlot(std::span<const uint8_t> frame, bool fail) {
  ++m_counters.readSlot;
  const std::optional<ReadSlotRequest> request = ParseReadSlot(frame);
  // The failure reply names the slot of a request too long to be well-formed, 0 when it has none.
  const uint16_t slot = request ? request->slot : 0;
  const bool wellFormed =
      request && LengthMatchesRecord(frame) && frame.size() == kReadSlotFrameSize;
  const std::vector<uint8_t>* record = wellFormed ? FindSlot(slot) : nullptr;
  if (!record) ++m_counters.badFrames;
  if (!record || fail) {
    return {{BuildReadSlotReply({kSlotStatusFail, kEndOfSlot, 0, slot, {}}), false}};
  }
  std::vector<Outgoing> out;
  const std::span<const uint8_t> data = *record;
  size_t pos = 0;
  uint16_t block = 0;
  do {
    const size_t n = std::min(m_config.blockSize, data.size() - pos);
    const bool last = pos + n == data.size();
    out.push_back({BuildReadSlotReply(
        {kSlotStatusOk, last ? kEndOfSlot : kMoreBlocks, block, slot, data.subspan(pos, n)})});
    pos += n;
    ++block;
  } while (pos < data.size());
  return out;
}

std::vector<Outgoing> Amplifier::WriteSlot(std::span<const uint8_t> frame, bool fail, Response& r) {
  ++m_counters.writeSlot;
  if (fail) return {{BuildWriteSlotReply({kSlotStatusFail})}};
  const auto result = m_restore.Block(frame);
  if (result == RestoreReceiver::Result::kBadFrame) {
    ++m_counters.badFrames;
    return {{BuildWriteSlotReply({kSlotStatusFail})}};
  }
  // A repeated closing block reopens and recloses its record: the output changes either way.
  r.restoreChanged = result == RestoreReceiver::Result::kRecordClosed;
  if (r.restoreChanged) KeepRestoredSlots();
  return {{BuildWriteSlotReply({kSlotStatusOk})}};
}

std::vector<Outgoing> Amplifier::UpdateStart(std::span<const uint8_t> frame, bool fail) {
  ++m_counters.updateStart;
  if (fail) return {{BuildUpdateReply({kUpdateStatusFail})}};
  if (m_update.Start(frame) == UpdateReceiver::Result::kBadFrame) {
    ++m_counters.badFrames;
    return {{BuildUpdateReply({kUpdateStatusFail})}};
  }
  m_deviceMessageFailSent = false;
  return {{BuildUpdateReply({kUpdateStatusOk})}};
}

std::vector<Outgoing> Amplifier::UpdateData(std::span<const uint8_t> frame, bool fail,
                                            Response& r) {
  ++m_counters.updateData;
  if (fail) return {{BuildUpdateReply({kUpdateStatusFail})}};
  if (m_update.Data(frame) == UpdateReceiver::Result::kBadFrame) {
    ++m_counters.badFrames;
    return {{BuildUpdateReply({kUpdateStatusFail})}};
  }
  std::vector<Outgoing> out;
  if (m_plan.Options().deviceMessageFail && !m_deviceMessageFailSent) {
    // The first accepted block draws the failing message; the program ends the update on it,
    // and the 0x20 that follows finds it no longer waiting.
    m_deviceMessageFailSent = true;
    ++m_counters.deviceMessageFailures;
    out.push_back({DeviceMessageFrame(kUpdateStatusFail, kDefaultFailMessage)});
  } else if (m_config.messageEvery != 0 && m_update.BlocksAccepted() % m_config.messageEvery == 0) {
    out.push_back({DeviceMessageFrame(kUpdateStatusOk, m_config.messageText)});
  }
  out.push_back({BuildUpdateReply({kUpdateStatusOk})});
  r.imageCompleted = m_update.Complete();
  return out;
}

Response Amplifier::HandleFrame(const ReceivedFrame& frame) {
  Response r;
  if ((frame.status & kAssemblerErrors) != 0) {
    ++m_counters.wireErrors;
    return r;
  }
  r.isRequest = true;
  const uint32_t number = ++m_counters.requests;
  const RequestFaults faults = m_plan.ForRequest(number);
  r.hangup = faults.hangup;
  if (faults.unanswered) {
    ++m_counters.unanswered;
    return r;
  }

  const std::span<const uint8_t> bytes = frame.bytes;
  const uint16_t command = bytes.size() >= 2 ? GetU16(bytes, kOffCommand) : 0;
  switch (command) {
    case CMD_READ_SLOT:
      r.frames = ReadSlot(bytes, faults.fail);
      break;
    case CMD_WRITE_SLOT:
      r.frames = WriteSlot(bytes, faults.fail, r);
      break;
    case CMD_UPDATE_START:
      r.frames = UpdateStart(bytes, faults.fail);
      break;
    case CMD_UPDATE_DATA:
      r.frames = UpdateData(bytes, faults.fail, r);
      break;
    default:
      ++m_counters.otherCommands;
      ++m_counters.badFrames;
      return r;
  }
  if (faults.fail) ++m_counters.failuresInjected;

  if (faults.drop) {
    ++m_counters.repliesDropped;
    r.frames.clear();
    return r;
  }
  if (faults.corruptChecksum) {
    // The last frame, so that the program sees the reply end damaged and resends the request.
    r.frames.back().corruptChecksum = true;
    ++m_counters.checksumsCorrupted;
  }
  if (!faults.noise.empty()) {
    r.noise = faults.noise;
    ++m_counters.noiseBursts;
  }
  if (faults.delayMs != 0) {
    r.delayMs = faults.delayMs;
    ++m_counters.delayedReplies;
  }
  for (const auto& out : r.frames) {
    ++m_counters.framesSent;
    if (GetU16(out.frame, kOffCommand) == CMD_DEVICE_MESSAGE) ++m_counters.deviceMessages;
  }
  return r;
}

}  // namespace q7310::sim
