// The block source over the staged image: block lengths and indices, close and reopen, a short
// read.
#include "firmware/srec_fixture.h"

namespace q7310 {
namespace {

using namespace testing;

constexpr uint32_t kBlock = CFirmwareImage::kBlockSize;

struct Block {
  uint16_t index;
  Bytes bytes;
};

// Reads blocks the way the controller does: the index first, then the block.
std::vector<Block> Drain(CFirmwareImage& image) {
  std::vector<Block> blocks;
  while (image.HasNextBlock()) {
    const uint16_t index = image.GetBlockIndex();
    Bytes buffer(kBlock, 0xEE);
    const uint16_t length = image.ReadNextBlock(buffer.data());
    if (length == 0) break;
    buffer.resize(length);
    blocks.push_back({index, buffer});
  }
  return blocks;
}

class BlockSourceTest : public FirmwareTest {
 protected:
  // Loads an image of `size` bytes of a ramp at 0x2000 and opens the staged file.
  Bytes LoadAndOpen(uint32_t size) {
    const Bytes image = Ramp(size, 1);
    std::vector<std::string> lines = {Rec('0', 0)};
    for (uint32_t at = 0; at < size; at += 32) {
      const uint32_t n = std::min<uint32_t>(32, size - at);
      lines.push_back(Rec('2', 0x2000 + at, Bytes(image.begin() + at, image.begin() + at + n)));
    }
    lines.push_back(Rec('8', 0));
    EXPECT_TRUE(Load(lines)) << m_image.LastError().reason;
    EXPECT_TRUE(m_image.OpenStagedImage(m_staged.string()));
    return image;
  }
};

TEST_F(BlockSourceTest, SplitsTheImageIntoBlocksOf128) {
  for (uint32_t size : {1u, 127u, 128u, 129u, 256u, 1000u}) {
    SCOPED_TRACE(size);
    const Bytes image = LoadAndOpen(size);
    const std::vector<Block> blocks = Drain(m_image);
    ASSERT_EQ(blocks.size(), (size + kBlock - 1) / kBlock);
    Bytes joined;
    for (size_t k = 0; k < blocks.size(); ++k) {
      EXPECT_EQ(blocks[k].index, k);
      EXPECT_EQ(blocks[k].bytes.size(), k + 1 < blocks.size() ? kBlock : size - kBlock * k);
      joined.insert(joined.end(), blocks[k].bytes.begin(), blocks[k].bytes.end());
    }
    EXPECT_EQ(joined, image);
    EXPECT_FALSE(m_image.HasNextBlock());
    EXPECT_FALSE(m_image.ReadFailed());
    // Past the end nothing is handed out and the buffer stays untouched.
    Bytes buffer(kBlock, 0xEE);
    EXPECT_EQ(m_image.ReadNextBlock(buffer.data()), 0);
    EXPECT_EQ(buffer, Bytes(kBlock, 0xEE));
  }
}

TEST_F(BlockSourceTest, CloseStopsAndReopenStartsAgainAtBlockZero) {
  const Bytes image = LoadAndOpen(300);
  Bytes buffer(kBlock, 0xEE);
  ASSERT_EQ(m_image.ReadNextBlock(buffer.data()), kBlock);
  m_image.CloseStagedImage();
  EXPECT_FALSE(m_image.HasNextBlock());
  EXPECT_EQ(m_image.GetBlockIndex(), 1);
  Bytes untouched(kBlock, 0xEE);
  EXPECT_EQ(m_image.ReadNextBlock(untouched.data()), 0);
  EXPECT_EQ(untouched, Bytes(kBlock, 0xEE));
  m_image.CloseStagedImage();  // harmless when closed

  ASSERT_TRUE(m_image.OpenStagedImage(m_staged.string()));
  ASSERT_EQ(m_image.ReadNextBlock(buffer.data()), kBlock);
  ASSERT_TRUE(m_image.OpenStagedImage(m_staged.string()));  // open while open
  const std::vector<Block> blocks = Drain(m_image);
  ASSERT_EQ(blocks.size(), 3u);
  EXPECT_EQ(blocks[0].index, 0);
  EXPECT_EQ(blocks[0].bytes, Bytes(image.begin(), image.begin() + kBlock));

  EXPECT_FALSE(m_image.OpenStagedImage((m_dir / "missing.bin").string()));
  EXPECT_FALSE(m_image.HasNextBlock());
}

TEST_F(BlockSourceTest, ShortReadFailsTheBlockAndStopsTheSource) {
  const Bytes image = LoadAndOpen(200);
  // The staged file loses its tail while it is being sent.
  std::filesystem::resize_file(m_staged, 150);
  Bytes buffer(kBlock);
  ASSERT_EQ(m_image.ReadNextBlock(buffer.data()), kBlock);
  EXPECT_EQ(m_image.ReadNextBlock(buffer.data()), 0);
  EXPECT_TRUE(m_image.ReadFailed());
  EXPECT_FALSE(m_image.HasNextBlock());
  EXPECT_EQ(m_image.GetBlockIndex(), 1);
  // A new open starts clean.
  WriteFile(m_staged, image);
  ASSERT_TRUE(m_image.OpenStagedImage(m_staged.string()));
  EXPECT_FALSE(m_image.ReadFailed());
  EXPECT_EQ(Drain(m_image).size(), 2u);
}

TEST_F(BlockSourceTest, LargestImageEndsAfterBlock65535) {
  ASSERT_TRUE(Load({Rec('0', 0), Rec('3', 0, {1}), Rec('3', CFirmwareImage::kMaxImageSize - 1, {2}),
                    Rec('7', 0)}));
  ASSERT_TRUE(m_image.OpenStagedImage(m_staged.string()));
  uint64_t blocks = 0;
  uint64_t bytes = 0;
  uint16_t lastIndex = 0;
  Bytes buffer(kBlock);
  while (m_image.HasNextBlock() && blocks <= 65536) {
    lastIndex = m_image.GetBlockIndex();
    bytes += m_image.ReadNextBlock(buffer.data());
    ++blocks;
  }
  EXPECT_EQ(blocks, 65536u);
  EXPECT_EQ(bytes, CFirmwareImage::kMaxImageSize);
  EXPECT_EQ(lastIndex, 65535);
  EXPECT_FALSE(m_image.ReadFailed());
}

}  // namespace
}  // namespace q7310
