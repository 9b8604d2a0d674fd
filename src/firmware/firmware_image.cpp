// The S-record reader and the staging of the image: LoadMotFile and its two passes.
#include "firmware/firmware_image.h"

#include <cstring>
#include <memory>
#include <new>
#include <span>
#include <string>
#include <utility>

#include "firmware/header_record.h"
#include "firmware/hex_digits.h"
#include "firmware/line_reader.h"
#include "util/atomic_file.h"
#include "util/input_file.h"

namespace q7310 {
namespace {

// Characters 0 .. 3 of every record: "S", the type digit and two count digits.
constexpr size_t kTypeChar = 1;
constexpr size_t kCountChar = 2;
constexpr size_t kAddressChar = 4;
constexpr unsigned kByteDigits = 2;
// The most data bytes a record can carry: an S1 record with count 0xFF.
constexpr size_t kMaxRecordData = 0xFF - 3;

// What tells the three data record types apart.
struct DataRecordLayout {
  unsigned addressDigits;  // 4, 6 or 8; the address holds half as many bytes
};

constexpr DataRecordLayout LayoutOf(char type) {
  return DataRecordLayout{type == '1' ? 4u : type == '2' ? 6u : 8u};
}

bool IsDataType(char type) {
  return type == '1' || type == '2' || type == '3';
}
// Header and terminator types: accepted by pass 1, which records nothing for them.
bool IsHeaderType(char type) {
  return type == '0';
}
bool IsTerminatorType(char type) {
  return type >= '7' && type <= '9';
}
bool IsFrameType(char type) {
  return IsHeaderType(type) || IsTerminatorType(type);
}
bool IsRefusedDigit(char type) {
  return type >= '4' && type <= '6';
}

// Sum of the bytes of a big-endian address; the bytes above its width are 0.
uint32_t AddressByteSum(uint32_t address) {
  return (address >> 24) + ((address >> 16) & 0xFF) + ((address >> 8) & 0xFF) + (address & 0xFF);
}

// Sum of `size` bytes. The fixed-length inner loop lets the compiler add a run of bytes at a
// time (the byte-at-a-time loop was a tenth of the load's instructions on an 8 MiB image).
uint32_t ByteSum(const uint8_t* bytes, size_t size) {
  constexpr size_t kRun = 64;
  uint32_t sum = 0;
  size_t i = 0;
  for (; i + kRun <= size; i += kRun) {
    uint32_t run = 0;
    for (size_t j = 0; j < kRun; ++j) run += bytes[i + j];
    sum += run;
  }
  for (; i < size; ++i) sum += bytes[i];
  return sum;
}

// The first fault among the data's byte pairs, in order; called only for data known to hold one
// (a bad digit, or the line's end before the last pair).
LoadFault FirstDataFault(std::string_view digits) {
  for (size_t at = 0;; at += kByteDigits) {
    uint32_t ignored = 0;
    if (const LoadFault fault = hex::Decode(digits, at, kByteDigits, ignored);
        fault != LoadFault::kNone) {
      return fault;
    }
  }
}

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

CFirmwareImage::~CFirmwareImage() {
  CloseStagedImage();
}

void CFirmwareImage::Clear() {
  m_startAddress = 0;
  m_endAddress = 0;
  m_imageSize = 0;
  m_imageSum = 0;
}

uint64_t CFirmwareImage::Span() const {
  if (m_endAddress < m_startAddress) return 0;
  return uint64_t{m_endAddress} - m_startAddress + 1;
}

bool CFirmwareImage::Fail(uint32_t line, LoadFault fault, std::string_view lineText,
                          const std::string& detail) {
  const char type = lineText.size() > kTypeChar ? lineText[kTypeChar] : '?';
  m_lastError.line = line;
  m_lastError.fault = fault;
  m_lastError.reason = LoadFaultText(fault, type);
  if (!detail.empty()) m_lastError.reason += ": " + detail;
  return false;
}

// ---- Pass 1 -------------------------------------------------------------------------------

LoadFault CFirmwareImage::ScanLine(std::string_view line) {
  if (line.empty()) return LoadFault::kEmptyLine;
  if (line[0] != 'S') return LoadFault::kNotAnSRecord;
  if (line.size() <= kTypeChar) return LoadFault::kUnknownType;
  const char type = line[kTypeChar];
  if (IsFrameType(type)) return LoadFault::kNone;
  if (IsRefusedDigit(type)) return LoadFault::kTypeNotAllowed;
  if (!IsDataType(type)) return LoadFault::kUnknownType;

  uint32_t address = 0;
  if (const LoadFault fault =
          hex::Decode(line, kAddressChar, LayoutOf(type).addressDigits, address);
      fault != LoadFault::kNone) {
    return fault;
  }
  if (address < m_startAddress) m_startAddress = address;
  if (address > m_endAddress) m_endAddress = address;
  return LoadFault::kNone;
}

// ---- Pass 2 -------------------------------------------------------------------------------

LoadFault CFirmwareImage::ParseRecord(std::string_view line, uint8_t* buffer, size_t bufferSize,
                                      char type) {
  if (line.size() <= kTypeChar || line[0] != 'S' || line[kTypeChar] != type) {
    return LoadFault::kUnknownType;
  }
  const unsigned addressDigits = LayoutOf(type).addressDigits;
  uint32_t count = 0;
  uint32_t address = 0;
  if (const LoadFault fault = hex::Decode(line, kCountChar, kByteDigits, count);
      fault != LoadFault::kNone) {
    return fault;
  }
  if (const LoadFault fault = hex::Decode(line, kAddressChar, addressDigits, address);
      fault != LoadFault::kNone) {
    return fault;
  }
  uint32_t sum = count + AddressByteSum(address);

  // The count covers the address bytes, the data and the checksum byte. A smaller count gives no
  // data; the checksum is still taken where the count puts it.
  const int dataCount = static_cast<int>(count) - static_cast<int>(addressDigits / 2) - 1;
  if (dataCount > 0) {
    const uint32_t lastAddress = address + static_cast<uint32_t>(dataCount - 1);
    if (lastAddress < address) return LoadFault::kPastAddressSpace;
    // An address below the start (a caller that skipped pass 1) wraps to a huge offset and is
    // refused here like any other record that would not fit the buffer.
    const uint32_t offset = address - m_startAddress;
    if (address < m_startAddress || offset >= bufferSize ||
        bufferSize - offset < static_cast<size_t>(dataCount)) {
      return LoadFault::kSpanTooLarge;
    }
    const char* digits = line.data() + kAddressChar + addressDigits;
    const size_t available = line.size() - kAddressChar - addressDigits;
    uint8_t* out = buffer + offset;
    // The line ends inside the data, or a digit is bad: the first fault in order is the reason.
    if (available < 2 * static_cast<size_t>(dataCount)) return FirstDataFault({digits, available});
    // Bytes go into the buffer before the record is known to be good; a bad record fails the
    // whole load, so they are never staged.
    unsigned invalid = 0;
    uint32_t dataSum = 0;
    for (int i = 0; i < dataCount; ++i) {
      const unsigned value = hex::kPairValue[hex::PairIndex(digits + 2 * i)];
      invalid |= value;
      out[i] = static_cast<uint8_t>(value);
      dataSum += value & 0xFF;
    }
    sum += dataSum;
    if (invalid & hex::kPairInvalid) return FirstDataFault({digits, available});
    if (lastAddress > m_endAddress) m_endAddress = lastAddress;
  }

  uint32_t checksum = 0;
  if (const LoadFault fault = hex::Decode(line, kCountChar + 2 * count, kByteDigits, checksum);
      fault != LoadFault::kNone) {
    return fault;
  }
  if ((sum & 0xFF) != (~checksum & 0xFF)) return LoadFault::kBadChecksum;
  return LoadFault::kNone;
}

LoadFault CFirmwareImage::ParseLine(std::string_view line, uint8_t* buffer, size_t bufferSize) {
  if (line.empty()) return LoadFault::kEmptyLine;
  if (line[0] != 'S') return LoadFault::kNotAnSRecord;
  if (line.size() <= kTypeChar) return LoadFault::kUnknownType;
  const char type = line[kTypeChar];
  if (IsDataType(type)) return ParseRecord(line, buffer, bufferSize, type);
  if (IsFrameType(type)) return LoadFault::kTypeNotBetween;
  if (IsRefusedDigit(type)) return LoadFault::kTypeNotAllowed;
  return LoadFault::kUnknownType;
}

// ---- The load -----------------------------------------------------------------------------

bool CFirmwareImage::FailOn(LineReader::Status status) {
  switch (status) {
    case LineReader::Status::kOutOfMemory:
      return Fail(0, LoadFault::kOutOfMemory);
    case LineReader::Status::kTooLarge:
      return Fail(0, LoadFault::kFileTooLarge);
    case LineReader::Status::kStopped:
      return Fail(0, LoadFault::kCancelled);
    case LineReader::Status::kLine:
    case LineReader::Status::kEnd:
    case LineReader::Status::kReadError:
      break;
  }
  return Fail(0, LoadFault::kReadError);
}

bool CFirmwareImage::ScanFile(LineReader& reader, uint32_t& lineCount, uint32_t& firstLineTooLarge,
                              std::string& headerText) {
  std::string_view line;
  char lastType = 0;
  while (lineCount < kMaxLines) {
    const LineReader::Status status = reader.Next(line);
    if (status == LineReader::Status::kEnd) break;
    if (status != LineReader::Status::kLine) return FailOn(status);
    const uint32_t number = lineCount + 1;
    if (const LoadFault fault = ScanLine(line); fault != LoadFault::kNone) {
      return Fail(number, fault, line);
    }
    // Line 1 and line n are skipped by pass 2 whatever they hold, so a file without its header
    // would lose its first data record.
    lastType = line[kTypeChar];
    if (number == 1) {
      if (!IsHeaderType(lastType)) return Fail(number, LoadFault::kNoHeader, line);
      headerText = HeaderRecordText(line);
      if (m_refuseSample && IsSimulatorSampleHeader(headerText)) {
        return Fail(number, LoadFault::kSimulatorSample, line);
      }
    }
    // Refuse as soon as the span outgrows the buffer: pass 2 places bytes by their offset.
    const uint64_t span = Span();
    if (span > kStagingBufferSize) return Fail(number, LoadFault::kSpanTooLarge, line);
    if (span > kMaxImageSize && firstLineTooLarge == 0) firstLineTooLarge = number;
    lineCount = number;
  }
  // A file cut short (a broken download) ends on a data line, which would otherwise be taken for
  // the terminator and dropped along with everything after the cut.
  if (lineCount > 0 && !IsTerminatorType(lastType)) {
    const bool moreLines = lineCount == kMaxLines && reader.Next(line) == LineReader::Status::kLine;
    return Fail(lineCount, moreLines ? LoadFault::kNoTerminatorAtLimit : LoadFault::kNoTerminator);
  }
  if (lineCount < 3) return Fail(0, LoadFault::kFewerThanThreeLines);
  return true;
}

bool CFirmwareImage::PlaceRecords(LineReader& reader, uint32_t lineCount, uint8_t* buffer,
                                  size_t bufferSize, uint32_t& firstLineTooLarge) {
  // Pass 1 made sure that line 1 is the header and line n the terminator: only lines 2 .. n-1
  // are placed.
  std::string_view line;
  for (uint32_t number = 1; number < lineCount; ++number) {
    const LineReader::Status status = reader.Next(line);
    if (status == LineReader::Status::kEnd) return Fail(0, LoadFault::kFileChanged);
    if (status != LineReader::Status::kLine) return FailOn(status);
    if (number == 1) continue;
    if (const LoadFault fault = ParseLine(line, buffer, bufferSize); fault != LoadFault::kNone) {
      return Fail(number, fault, line);
    }
    if (Span() > kMaxImageSize && firstLineTooLarge == 0) firstLineTooLarge = number;
  }
  return true;
}

bool CFirmwareImage::LoadMotFile(std::string motPath, std::string stagingPath) {
  m_lastError = {};
  const uint32_t savedStart = m_startAddress;
  const uint32_t savedEnd = m_endAddress;
  const uint32_t savedSize = m_imageSize;
  const uint32_t savedSum = m_imageSum;
  const auto fail = [&] {
    m_startAddress = savedStart;
    m_endAddress = savedEnd;
    m_imageSize = savedSize;
    m_imageSum = savedSum;
    return false;
  };

  InputFile input = OpenInputFile(motPath, kMaxFileSize);
  const std::unique_ptr<std::FILE, FileCloser> file(input.file);
  if (input.problem == InputProblem::kTooLarge) {
    Fail(0, LoadFault::kFileTooLarge, {}, std::to_string(input.size) + " bytes");
    return fail();
  }
  if (!file) {
    Fail(0, LoadFault::kCannotOpen, {}, input.reason);
    return fail();
  }
  // The reader has its own chunk buffer; a second buffer inside the FILE would only copy.
  std::setvbuf(file.get(), nullptr, _IONBF, 0);
  LineReader reader(file.get(), kMaxFileSize, m_stop);

  m_startAddress = 0xFFFFFFFF;
  m_endAddress = 0;
  uint32_t lineCount = 0;
  uint32_t firstLineTooLarge = 0;
  std::string headerText;
  if (!ScanFile(reader, lineCount, firstLineTooLarge, headerText)) return fail();
  if (Span() > kMaxImageSize) {
    Fail(firstLineTooLarge, LoadFault::kImageTooLarge);
    return fail();
  }

  // Pass 2 places bytes at offsets below span + kMaxRecordData only (the addresses are those
  // that pass 1 saw), so only that part of the buffer needs the 0xFF fill.
  const size_t filled = static_cast<size_t>(
      std::min<uint64_t>(Span() + kMaxRecordData, uint64_t{kStagingBufferSize}));
  const std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[kStagingBufferSize]);
  if (!buffer) {
    Fail(0, LoadFault::kOutOfMemory);
    return fail();
  }
  std::memset(buffer.get(), 0xFF, filled);

  if (!reader.Rewind()) {
    Fail(0, LoadFault::kReadError);
    return fail();
  }
  if (!PlaceRecords(reader, lineCount, buffer.get(), filled, firstLineTooLarge)) return fail();

  const uint64_t size = Span();
  if (size > kMaxImageSize) {
    Fail(firstLineTooLarge, LoadFault::kImageTooLarge);
    return fail();
  }
  // The last moment at which a stop leaves everything as it was.
  if (m_stop && m_stop->load()) {
    Fail(0, LoadFault::kCancelled);
    return fail();
  }
  m_imageSize = static_cast<uint32_t>(size);
  m_imageSum = ByteSum(buffer.get(), m_imageSize);

  std::string writeError;
  if (!WriteFileAtomically(stagingPath, std::span<const uint8_t>(buffer.get(), m_imageSize),
                           &writeError)) {
    Fail(0, LoadFault::kCannotWrite, {}, writeError);
    return fail();
  }
  m_headerText = std::move(headerText);
  return true;
}

bool CFirmwareImage::IsSimulatorSample() const {
  return IsSimulatorSampleHeader(m_headerText);
}

}  // namespace q7310
