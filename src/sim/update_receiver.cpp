#include "sim/update_receiver.h"

#include <numeric>

#include "app/protocol.h"

namespace q7310::sim {

UpdateReceiver::Result UpdateReceiver::Start(std::span<const uint8_t> frame) {
  if (frame.size() != kUpdateStartFrameSize || GetU16(frame, kOffLength) != frame.size()) {
    return Result::kBadFrame;
  }
  const uint32_t size = GetU32(frame, kOffImageSize);
  if (size == 0) return Result::kBadFrame;
  m_started = true;
  m_startAddress = GetU32(frame, kOffStartAddress);
  m_announcedSize = size;
  m_announcedSum = GetU32(frame, kOffImageSum);
  m_nextIndex = 0;
  m_blocksAccepted = 0;
  m_image.clear();
  return Result::kAccepted;
}

UpdateReceiver::Result UpdateReceiver::Data(std::span<const uint8_t> frame) {
  if (!m_started || frame.size() <= kOffUpdateData || GetU16(frame, kOffLength) != frame.size()) {
    return Result::kBadFrame;
  }
  const size_t n = frame.size() - kOffUpdateData;
  const uint32_t index = GetU16(frame, kOffWord6);
  const bool next = index == m_nextIndex;
  const bool repeat = index + 1 == m_nextIndex;
  if (n > kMaxUpdateBlock || !(next || repeat)) return Result::kBadFrame;
  const uint64_t offset = uint64_t{index} * kMaxUpdateBlock;
  const uint64_t end = offset + n;
  const bool endsImage = end == m_announcedSize;
  if (end > m_announcedSize || (n < kMaxUpdateBlock && !endsImage)) return Result::kBadFrame;

  m_image.resize(offset);  // a repeat replaces the block it repeats
  m_image.insert(m_image.end(), frame.begin() + kOffUpdateData, frame.end());
  m_nextIndex = index + 1;
  ++m_blocksAccepted;
  return Result::kAccepted;
}

uint32_t UpdateReceiver::ReceivedSum() const {
  return std::accumulate(m_image.begin(), m_image.end(), uint32_t{0});
}

}  // namespace q7310::sim
