// The block source of CFirmwareImage: hands the staged image out in blocks of kBlockSize bytes.
#include <cstdio>

#include "firmware/firmware_image.h"
#include "util/input_file.h"

namespace q7310 {

bool CFirmwareImage::OpenStagedImage(std::string path) {
  CloseStagedImage();
  m_blockIndex = 0;
  m_readFailed = false;
  // Only a regular file: never a FIFO or a device put in place of the one the load wrote. Reads
  // stop at the image size.
  m_stagedFile = OpenInputFile(path, 0).file;
  return m_stagedFile != nullptr;
}

bool CFirmwareImage::HasNextBlock() const {
  return m_stagedFile != nullptr && !m_readFailed &&
         uint64_t{m_blockIndex} * kBlockSize < m_imageSize;
}

uint16_t CFirmwareImage::ReadNextBlock(uint8_t* buffer) {
  // A read past the last block would have a negative length; it hands out nothing instead.
  if (!HasNextBlock()) return 0;
  const uint64_t done = uint64_t{m_blockIndex} * kBlockSize;
  const auto length =
      static_cast<uint16_t>(done + kBlockSize < m_imageSize ? kBlockSize : m_imageSize - done);
  if (std::fread(buffer, 1, length, m_stagedFile) != length) {
    // The staged file no longer holds the image (changed on disk, or a read error).
    m_readFailed = true;
    return 0;
  }
  ++m_blockIndex;
  return length;
}

void CFirmwareImage::CloseStagedImage() {
  if (m_stagedFile) {
    std::fclose(m_stagedFile);
    m_stagedFile = nullptr;
  }
}

}  // namespace q7310
