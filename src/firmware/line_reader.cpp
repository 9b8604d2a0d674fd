#include "firmware/line_reader.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace q7310 {
namespace {

std::string_view WithoutCr(std::string_view line) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return line;
}

}  // namespace

LineReader::LineReader(std::FILE* file, uint64_t maxBytes, const std::atomic<bool>* stop)
    : m_file(file), m_maxBytes(maxBytes), m_stop(stop) {}

bool LineReader::Refill() {
  if (!m_chunk) {
    m_chunk.reset(new (std::nothrow) char[kChunkSize]);
    if (!m_chunk) return false;
  }
  m_pos = 0;
  m_end = 0;
  if (m_stop && m_stop->load()) {
    m_stopped = Status::kStopped;
    return true;
  }
  m_end = std::fread(m_chunk.get(), 1, kChunkSize, m_file);
  m_bytesRead += m_end;
  if (m_maxBytes != 0 && m_bytesRead > m_maxBytes) {
    m_end = 0;
    m_stopped = Status::kTooLarge;
    return true;
  }
  if (m_end < kChunkSize) {
    m_eof = true;
    m_error = std::ferror(m_file) != 0;
  }
  return true;
}

void LineReader::Carry(const char* from, size_t length) {
  if (m_carriedLength < kKeptChars) {
    const size_t kept = std::min(length, kKeptChars - m_carriedLength);
    std::memcpy(m_carry.data() + m_carriedLength, from, kept);
  }
  m_carriedLength += length;
  m_carrying = true;
}

std::string_view LineReader::CarriedLine() {
  m_carrying = false;
  const size_t length = m_carriedLength;
  m_carriedLength = 0;
  if (length > kKeptChars) return {m_carry.data(), kKeptChars};  // its CR lies beyond
  return WithoutCr({m_carry.data(), length});
}

LineReader::Status LineReader::Next(std::string_view& line) {
  for (;;) {
    if (m_stopped != Status::kLine) return m_stopped;
    if (m_pos < m_end) {
      const char* start = m_chunk.get() + m_pos;
      const size_t left = m_end - m_pos;
      const auto* newline = static_cast<const char*>(std::memchr(start, '\n', left));
      if (newline) {
        const size_t length = static_cast<size_t>(newline - start);
        m_pos += length + 1;
        if (!m_carrying) {
          line = WithoutCr({start, length});
          return Status::kLine;
        }
        Carry(start, length);
        line = CarriedLine();
        return Status::kLine;
      }
      Carry(start, left);
      m_pos = m_end;
    }
    if (m_error) return Status::kReadError;
    if (m_eof) {
      if (!m_carrying) return Status::kEnd;
      line = CarriedLine();
      return Status::kLine;
    }
    if (!Refill()) return Status::kOutOfMemory;
  }
}

bool LineReader::Rewind() {
  if (std::fseek(m_file, 0, SEEK_SET) != 0) return false;
  std::clearerr(m_file);
  m_pos = m_end = 0;
  m_eof = m_error = m_carrying = false;
  m_carriedLength = 0;
  m_bytesRead = 0;
  return true;
}

}  // namespace q7310
