// Reads the lines of a text file in large chunks, without an allocation per line.
//
// A line is the text up to a LF; a CR just before the LF is removed, and so is the LF. The text
// after the last LF is a line of its own if it is not empty, so a line end after the last line
// does not make an empty line. The views handed out stay valid until the next call of Next or
// Rewind.
//
// Memory stays bounded whatever the file holds: one chunk buffer, plus a small carry buffer for
// a line that crosses the end of a chunk. Of such a line only the first kKeptChars characters
// are kept; an S-record line is never examined further than that.
#pragma once

#include <array>
#include <cstddef>
#include <cstdio>
#include <memory>
#include <string_view>

namespace q7310 {

class LineReader {
 public:
  // 2 type characters, 2 count digits and 255 bytes of address, data and checksum.
  static constexpr size_t kKeptChars = 4 + 2 * 255;
  static constexpr size_t kChunkSize = 256 * 1024;

  enum class Status { kLine, kEnd, kReadError, kOutOfMemory };

  // Reads from `file`, which stays owned by the caller and must be open for reading.
  explicit LineReader(std::FILE* file);

  // Hands out the next line in `line`. kEnd at the end of the file; kReadError when the file
  // could not be read; kOutOfMemory if the chunk buffer could not be obtained.
  Status Next(std::string_view& line);
  // Starts again at the beginning of the file. False if the file cannot seek.
  bool Rewind();

 private:
  bool Refill();
  void Carry(const char* from, size_t length);
  std::string_view CarriedLine();

  std::FILE* m_file;
  std::unique_ptr<char[]> m_chunk;
  size_t m_pos = 0;
  size_t m_end = 0;
  bool m_eof = false;
  bool m_error = false;
  // A line begun in an earlier chunk: its first characters and its full length so far.
  bool m_carrying = false;
  size_t m_carriedLength = 0;
  std::array<char, kKeptChars> m_carry{};
};

}  // namespace q7310
