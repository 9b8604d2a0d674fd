// The amplifier's side of a firmware update: takes the start frame (0x10) and the data blocks
// (0x11), checks them, and collects the image.
//
// Checks: the start frame is 20 bytes and announces a non-empty image; each data block's length
// field matches its size, it carries 1 to 128 bytes, only the last block may be short, and the
// blocks cover exactly the announced size; block indexes run 0, 1, 2 … in order. The block just
// accepted may arrive again (the program resends it when its reply was lost) and then overwrites
// itself. A frame that fails a check changes nothing. A new start frame starts over.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace q7310::sim {

class UpdateReceiver {
 public:
  enum class Result { kAccepted, kBadFrame };

  Result Start(std::span<const uint8_t> frame);
  Result Data(std::span<const uint8_t> frame);

  bool Started() const { return m_started; }
  // True once the block that ends the announced image has been accepted.
  bool Complete() const { return m_started && m_image.size() == m_announcedSize; }
  bool SumMatches() const { return Complete() && ReceivedSum() == m_announcedSum; }

  uint32_t StartAddress() const { return m_startAddress; }
  uint32_t AnnouncedSize() const { return m_announcedSize; }
  uint32_t AnnouncedSum() const { return m_announcedSum; }
  // The image bytes received so far, in order.
  const std::vector<uint8_t>& Image() const { return m_image; }
  // Sum of the received bytes modulo 2^32, as the start frame announces it.
  uint32_t ReceivedSum() const;
  // Data blocks accepted since the start frame, repeats included.
  uint32_t BlocksAccepted() const { return m_blocksAccepted; }

 private:
  bool m_started = false;
  uint32_t m_startAddress = 0;
  uint32_t m_announcedSize = 0;
  uint32_t m_announcedSum = 0;
  uint32_t m_nextIndex = 0;
  uint32_t m_blocksAccepted = 0;
  std::vector<uint8_t> m_image;
};

}  // namespace q7310::sim
