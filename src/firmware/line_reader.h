// Reads the lines of a text file in large chunks, without an allocation per line.
//
// A line is the text up to a LF; a CR just before the LF is removed, and so is the LF. The text
// after the last LF is a line of its own if it is not empty, so a line end after the last line
// does not make an empty line. The views handed out stay valid until the next call of Next or
// Rewind.
//
// Memory stays bounded whatever the file holds: one chunk buffer, plus a small carry buffer for
// a line that crosses the end of a chunk. Of such a line only the first kKeptChars characters
// are kept; an S-record line is never examined further than that. Time stays bounded too: the
// reader stops at a byte budget (a file that grows while it is read) and, between chunks, when a
// stop is asked for.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string_view>

namespace q7310 {

class LineReader {
 public:
  // 2 type characters, 2 count digits and 255 bytes of address, data and checksum.
  static constexpr size_t kKeptChars = 4 + 2 * 255;
  static constexpr size_t kChunkSize = 256 * 1024;

  enum class Status { kLine, kEnd, kReadError, kOutOfMemory, kTooLarge, kStopped };

  // Reads from `file`, which stays owned by the caller and must be open for reading. At most
  // `maxBytes` bytes are read from the start (0: no limit); `stop`, when given, is looked at
  // before each chunk is read.
  explicit LineReader(std::FILE* file, uint64_t maxBytes = 0,
                      const std::atomic<bool>* stop = nullptr);

  // Hands out the next line in `line`. kEnd at the end of the file; kReadError when the file
  // could not be read; kOutOfMemory if the chunk buffer could not be obtained; kTooLarge when the
  // file holds more than `maxBytes` bytes; kStopped when `stop` was set. After any of these
  // every further call returns the same.
  Status Next(std::string_view& line);
  // Starts again at the beginning of the file. False if the file cannot seek.
  bool Rewind();

 private:
  bool Refill();
  void Carry(const char* from, size_t length);
  std::string_view CarriedLine();

  std::FILE* m_file;
  uint64_t m_maxBytes;
  const std::atomic<bool>* m_stop;
  uint64_t m_bytesRead = 0;  // since the start, counting a rewind as a new start
  std::unique_ptr<char[]> m_chunk;
  size_t m_pos = 0;
  size_t m_end = 0;
  bool m_eof = false;
  bool m_error = false;
  Status m_stopped = Status::kLine;  // kTooLarge or kStopped once the reader stopped
  // A line begun in an earlier chunk: its first characters and its full length so far.
  bool m_carrying = false;
  size_t m_carriedLength = 0;
  std::array<char, kKeptChars> m_carry{};
};

}  // namespace q7310
