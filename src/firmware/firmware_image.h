// CFirmwareImage: reads a Motorola S-record firmware file, stages the raw image in a file
// (UPDATE.BIN) and hands the staged image out in 128-byte blocks numbered from 0.
//
// The load reads the file in two passes. Pass 1 checks every line's type and address, finds the
// address range, and makes sure that line 1 is an S0 header and line n an S7, S8 or S9
// terminator (a file cut short, or one without its header, is refused); pass 2 checks and places
// the data records of lines 2 .. n-1 into a 0xFF-filled buffer, later lines winning over earlier
// ones. The staged file holds the image bytes from the lowest record address to the highest
// address reached, nothing else.
//
// Limits: the address span must fit the 12 MiB staging buffer and the image must not exceed
// kMaxImageSize bytes (the reach of the 16-bit block index); a record whose data would run past
// address 0xFFFFFFFF is refused. The file is read in chunks, so memory stays at the staging
// buffer plus a fixed amount whatever the size of the text. Only a regular file of at most
// kMaxFileSize bytes is read (util/input_file.h): a FIFO, a device or a folder is refused at once.
//
// Used on one thread only (the controller's). Not copyable.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "firmware/line_reader.h"
#include "firmware/load_fault.h"
#include "protocol/protocol.h"

namespace q7310 {

class CFirmwareImage {
 public:
  static constexpr uint32_t kStagingBufferSize = 0xC00000;  // 12 MiB
  static constexpr uint32_t kMaxLines = 0x100000;
  // The most text that kMaxLines records of the longest form take (the longest S-record line
  // and its CR LF): a larger file can never load, so it is refused before it is read.
  static constexpr uint64_t kMaxFileSize = uint64_t{kMaxLines} * (4 + 2 * 255 + 2);
  // The image goes out in the update's data blocks.
  static constexpr uint32_t kBlockSize = kMaxUpdateBlock;
  // The 16-bit block counter covers 65,536 blocks; larger images are refused by the load.
  static constexpr uint32_t kMaxImageSize = kMaxUpdateImage;
  // The data blocks an image of `imageSize` bytes goes out in: every block full but the last.
  static constexpr uint32_t BlockCount(uint32_t imageSize) {
    return (imageSize + kBlockSize - 1) / kBlockSize;
  }

  // Why the last LoadMotFile failed: the 1-based line number (0 when no line is to blame, for
  // example a file that cannot be opened) and a short reason such as "bad checksum".
  struct LoadError {
    uint32_t line = 0;
    std::string reason;
    LoadFault fault = LoadFault::kNone;
  };

  CFirmwareImage() = default;
  virtual ~CFirmwareImage();
  CFirmwareImage(const CFirmwareImage&) = delete;
  CFirmwareImage& operator=(const CFirmwareImage&) = delete;

  // Sets start address, end address, image size and sum to 0. Leaves the block counter and the
  // staged file alone.
  void Clear();

  // Loads the S-record file at motPath and writes the staged image to stagingPath (replaced as a
  // whole, never left half-written). True on success. On failure nothing is written (an earlier
  // staged file stays as it was), the start and end address, size, sum and header text keep the
  // values they had before the call, LastError() says why, and everything the load took is
  // released.
  bool LoadMotFile(std::string motPath, std::string stagingPath);
  const LoadError& LastError() const { return m_lastError; }
  // While set, a load of a file whose header record carries the simulator's sample mark
  // (firmware/header_record.h) fails at line 1 with LoadFault::kSimulatorSample, before the rest
  // of the file is read or anything is staged. Off by default: checking a file (q7310 image)
  // loads the sample too; the update turns it on.
  void RefuseSimulatorSample(bool refuse) { m_refuseSample = refuse; }
  // The text of the header record (S0) of the last successful load (HeaderRecordText).
  const std::string& HeaderText() const { return m_headerText; }
  // Whether the last successful load was of the simulator's sample.
  bool IsSimulatorSample() const;
  // A flag that, once set (by a signal handler, say), ends a load under way as a failure
  // (LoadFault::kCancelled) before the staged file is written. Null: none. Not owned.
  void SetStopFlag(const std::atomic<bool>* stop) { m_stop = stop; }

  // Block source over the staged file.
  // Opens the staged file (closing one already open) and restarts at block 0. True if it opened.
  bool OpenStagedImage(std::string path);
  // True while the file is open, a block is left and no read has failed.
  bool HasNextBlock() const;
  // Index of the block that ReadNextBlock will hand out next.
  uint16_t GetBlockIndex() const { return static_cast<uint16_t>(m_blockIndex); }
  // Reads the next block into buffer (at least 128 bytes) and returns its length (1..128).
  // Returns 0 when the file is closed or no block is left (nothing changes), or when the file
  // delivered fewer bytes than the block needs (ReadFailed() then turns true until the next
  // OpenStagedImage, and the counter stays): the transfer must not go on.
  uint16_t ReadNextBlock(uint8_t* buffer);
  bool ReadFailed() const { return m_readFailed; }
  // Closes the staged file if it is open; harmless otherwise. The block counter keeps its value.
  void CloseStagedImage();

  uint32_t GetStartAddress() const { return m_startAddress; }
  uint32_t GetEndAddress() const { return m_endAddress; }
  uint32_t GetImageSize() const { return m_imageSize; }
  uint32_t GetImageSum() const { return m_imageSum; }

 private:
  // Pass-1 check of one line: type and address only; widens the address range.
  LoadFault ScanLine(std::string_view line);
  // Pass-2 parse of one data line into the staging buffer of bufferSize bytes, at offset (record
  // address - start address). Refuses a record whose bytes would fall outside the buffer or run
  // past address 0xFFFFFFFF. Widens the end address by the placed bytes.
  LoadFault ParseLine(std::string_view line, uint8_t* buffer, size_t bufferSize);
  LoadFault ParseRecord(std::string_view line, uint8_t* buffer, size_t bufferSize, char type);
  // Both passes of LoadMotFile; they set m_lastError when they fail.
  bool ScanFile(LineReader& reader, uint32_t& lineCount, uint32_t& firstLineTooLarge,
                std::string& headerText);
  bool PlaceRecords(LineReader& reader, uint32_t lineCount, uint8_t* buffer, size_t bufferSize,
                    uint32_t& firstLineTooLarge);
  bool Fail(uint32_t line, LoadFault fault, std::string_view lineText = {},
            const std::string& detail = {});
  // Fail with the fault of a reader that stopped before the end of the file.
  bool FailOn(LineReader::Status status);
  // Address span m_startAddress .. m_endAddress in bytes (0 before any address was seen).
  uint64_t Span() const;

  uint32_t m_startAddress = 0;
  uint32_t m_endAddress = 0;
  uint32_t m_imageSize = 0;
  uint32_t m_imageSum = 0;
  // Blocks read since the open, counted in 32 bits: after the last block of an image of exactly
  // 65,536 blocks a 16-bit counter would wrap to 0 and offer the image again. GetBlockIndex
  // hands out the low 16 bits, which for the images the load accepts never wrap before the end.
  uint32_t m_blockIndex = 0;
  std::FILE* m_stagedFile = nullptr;
  bool m_readFailed = false;
  const std::atomic<bool>* m_stop = nullptr;
  bool m_refuseSample = false;
  std::string m_headerText;
  LoadError m_lastError;
};

}  // namespace q7310
