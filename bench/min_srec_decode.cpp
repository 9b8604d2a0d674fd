// min_srec_decode IN OUT: the yardstick of the firmware load benchmark.
//
// The least work that turns an S-record file into its staged image: one read of the whole file,
// one pass over its records with a table-driven hex decode into a buffer filled with 0xFF, every
// checksum checked, one write of the bytes from the lowest to the highest address. No
// diagnostics beyond a line number: it exists to be timed against `q7310 image`.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr uint8_t kBad = 0xFF;  // table mark of a character that is no hex digit
constexpr uint8_t kFill = 0xFF;
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

constexpr std::array<uint8_t, 256> kNibble = [] {
  std::array<uint8_t, 256> t{};
  t.fill(kBad);
  for (int c = 0; c < 10; ++c) t['0' + c] = static_cast<uint8_t>(c);
  for (int c = 0; c < 6; ++c) {
    t['A' + c] = static_cast<uint8_t>(10 + c);
    t['a' + c] = static_cast<uint8_t>(10 + c);
  }
  return t;
}();

// Address bytes of the data record types S1, S2 and S3; 0 for every other type.
int AddressBytes(char type) {
  return type == '1' ? 2 : type == '2' ? 3 : type == '3' ? 4 : 0;
}

// Decodes the byte at p; false if either character is no hex digit.
inline bool Byte(const char* p, uint8_t& out) {
  const uint8_t high = kNibble[static_cast<uint8_t>(p[0])];
  const uint8_t low = kNibble[static_cast<uint8_t>(p[1])];
  out = static_cast<uint8_t>(high << 4 | low);
  return (high | low) < 16;
}

// The image under construction: bytes from `base` on, grown with the fill byte as records land.
class Image {
 public:
  // Room for every data byte a file of `textSize` characters can hold (two digits a byte), so
  // that growing the image never moves it.
  explicit Image(size_t textSize) { m_bytes.reserve(textSize / 2); }

  // Where `count` bytes from `address` on go, the image grown (0xFF) to hold them.
  uint8_t* At(uint32_t address, size_t count) {
    if (m_bytes.empty()) m_base = address;
    if (address < m_base) {
      m_bytes.insert(m_bytes.begin(), m_base - address, kFill);
      m_base = address;
    }
    const size_t offset = address - m_base;
    if (offset + count > m_bytes.size()) m_bytes.resize(offset + count, kFill);
    return m_bytes.data() + offset;
  }
  const std::vector<uint8_t>& Bytes() const { return m_bytes; }

 private:
  uint32_t m_base = 0;
  std::vector<uint8_t> m_bytes;
};

// Decodes one record (without its line end) straight into the image; false if it is malformed
// or its checksum is wrong.
bool DecodeRecord(const char* p, size_t length, Image& image) {
  if (length < 4 || p[0] != 'S') return false;
  uint8_t count = 0;
  if (!Byte(p + 2, count) || length < 4 + 2 * size_t{count} || count == 0) return false;
  const int addressBytes = AddressBytes(p[1]);
  const size_t headerBytes = addressBytes == 0 ? count - 1u : size_t(addressBytes);
  if (count < headerBytes + 1) return false;
  unsigned sum = count;
  uint32_t address = 0;
  const char* digits = p + 4;
  for (size_t i = 0; i < headerBytes; ++i, digits += 2) {
    uint8_t b = 0;
    if (!Byte(digits, b)) return false;
    address = address << 8 | b;
    sum += b;
  }
  const size_t dataCount = count - headerBytes - 1;
  // Header, count and terminator records carry nothing to place: all their bytes went above.
  if (dataCount > 0) {
    uint8_t* out = image.At(address, dataCount);
    for (size_t i = 0; i < dataCount; ++i, digits += 2) {
      if (!Byte(digits, out[i])) return false;
      sum += out[i];
    }
  }
  uint8_t checksum = 0;
  if (!Byte(digits, checksum)) return false;
  return ((sum + checksum) & 0xFF) == 0xFF;  // the checksum makes the sum 0xFF
}

// The whole file in one read, into memory that is not cleared first.
bool ReadWhole(const char* path, std::unique_ptr<char[]>& text, size_t& size) {
  const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  bool ok = ::fstat(fd, &st) == 0;
  if (ok) {
    size = static_cast<size_t>(st.st_size);
    text.reset(new char[size]);
    ok = ::read(fd, text.get(), size) == static_cast<ssize_t>(size);
  }
  ::close(fd);
  return ok;
}

bool WriteWhole(const char* path, const std::vector<uint8_t>& bytes) {
  const int fd = ::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  const bool ok = ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
  return ::close(fd) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: min_srec_decode IN OUT\n");
    return kExitUsage;
  }
  std::unique_ptr<char[]> text;
  size_t size = 0;
  if (!ReadWhole(argv[1], text, size)) {
    std::perror(argv[1]);
    return kExitFailed;
  }
  Image image(size);
  const char* p = text.get();
  const char* end = p + size;
  unsigned lineNumber = 0;
  while (p < end) {
    ++lineNumber;
    const auto* newline = static_cast<const char*>(std::memchr(p, '\n', end - p));
    const char* lineEnd = newline ? newline : end;
    size_t length = static_cast<size_t>(lineEnd - p);
    if (length > 0 && p[length - 1] == '\r') --length;
    if (length > 0 && !DecodeRecord(p, length, image)) {
      std::fprintf(stderr, "%s: line %u: bad record\n", argv[1], lineNumber);
      return kExitFailed;
    }
    p = newline ? newline + 1 : end;
  }
  if (!WriteWhole(argv[2], image.Bytes())) {
    std::perror(argv[2]);
    return kExitFailed;
  }
  return kExitOk;
}
