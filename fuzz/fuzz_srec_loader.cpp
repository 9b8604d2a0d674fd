// Fuzz target: the S-record loader on arbitrary text. The input is written to a file and loaded
// with LoadMotFile; when the load succeeds, every block of the staged image is read back, and
// the blocks must add up to exactly the image size the load reported. A file that loads starts
// with an S0 header (and, checked by the unit tests, ends with a terminator).
#include <cstdint>
#include <cstdlib>

#include "firmware/firmware_image.h"
#include "fuzz_support.h"

using q7310::CFirmwareImage;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string motPath = q7310::fuzz::ScratchPath("input.mot");
  static const std::string stagedPath = q7310::fuzz::ScratchPath("UPDATE.BIN");
  q7310::fuzz::WriteFileOrDie(motPath, data, size);

  CFirmwareImage image;
  if (!image.LoadMotFile(motPath, stagedPath)) return 0;
  if (size < 2 || data[0] != 'S' || data[1] != '0') std::abort();
  if (!image.OpenStagedImage(stagedPath)) std::abort();
  uint8_t block[CFirmwareImage::kBlockSize];
  uint64_t total = 0;
  // At most one read per block of the largest image the load accepts, plus the one that ends.
  constexpr uint32_t kMaxReads = CFirmwareImage::kMaxImageSize / CFirmwareImage::kBlockSize + 1;
  for (uint32_t i = 0; i < kMaxReads && image.HasNextBlock(); ++i) {
    const uint16_t n = image.ReadNextBlock(block);
    if (n == 0 || n > CFirmwareImage::kBlockSize) std::abort();
    total += n;
  }
  if (image.HasNextBlock() || image.ReadFailed() || total != image.GetImageSize()) std::abort();
  image.CloseStagedImage();
  return 0;
}
