#include "sim/update_receiver.h"

#include <numeric>

#include "protocol/frames.h"
#include "protocol/protocol.h"

namespace q7310::sim {

UpdateReceiver::Result UpdateReceiver::Start(std::span<const uint8_t> frame) {
  const std::optional<UpdateStartRequest> request = ParseUpdateStart(frame);
  if (!request || frame.size() != kUpdateStartFrameSize || !LengthMatchesRecord(frame) ||
      request->imageSize == 0) {
    return Result::kBadFrame;
  }
  m_started = true;
  m_startAddress = request->startAddress;
  m_announcedSize = request->imageSize;
  m_announcedSum = request->imageSum;
  m_nextIndex = 0;
  m_blocksAccepted = 0;
  m_image.clear();
  return Result::kAccepted;
}

UpdateReceiver::Result UpdateReceiver::Data(std::span<const uint8_t> frame) {
  const std::optional<UpdateDataRequest> request = ParseUpdateData(frame);
  if (!m_started || !request || !LengthMatchesRecord(frame) || request->data.empty()) {
    return Result::kBadFrame;
  }
  const size_t n = request->data.size();
  const uint32_t index = request->index;
  const bool next = index == m_nextIndex;
  const bool repeat = index + 1 == m_nextIndex;
  if (!(next || repeat)) return Result::kBadFrame;
  const uint64_t offset = uint64_t{index} * kMaxUpdateBlock;
  const uint64_t end = offset + n;
  const bool endsImage = end == m_announcedSize;
  if (end > m_announcedSize || (n < kMaxUpdateBlock && !endsImage)) return Result::kBadFrame;
  m_image.resize(offset);  // a repeat replaces the block it repeats
  m_image.insert(m_image.end(), request->data.begin(), request->data.end());
  m_nextIndex = index + 1;
  ++m_blocksAccepted;
  return Result::kAccepted;
}

uint32_t UpdateReceiver::ReceivedSum() const {
  return std::accumulate(m_image.begin(), m_image.end(), uint32_t{0});
}

}  // namespace q7310::sim
