#include "firmware/load_fault.h"

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "firmware/firmware_image.h"

namespace q7310 {
namespace {

constexpr uint32_t kMiB = 1024 * 1024;

struct FaultText {
  LoadFault fault;
  std::string_view text;
  uint32_t number = 0;  // the limit that "#" in the text stands for
};

// "%" stands for the record type, written as "S" and its type digit; "#" for the row's number,
// so that a text quotes the limit the load applies.
constexpr std::array kFaultTexts = {
    FaultText{LoadFault::kNone, "no error"},
    FaultText{LoadFault::kCannotOpen, "cannot open the file"},
    FaultText{LoadFault::kReadError, "read error"},
    FaultText{LoadFault::kFewerThanThreeLines, "fewer than 3 lines"},
    FaultText{LoadFault::kOutOfMemory, "not enough memory for the staging buffer"},
    FaultText{LoadFault::kCannotWrite, "cannot write the staged image"},
    FaultText{LoadFault::kFileChanged, "the file changed while it was read"},
    FaultText{LoadFault::kFileTooLarge,
              "the file is larger than any firmware file can be (more than # bytes)",
              static_cast<uint32_t>(CFirmwareImage::kMaxFileSize)},
    FaultText{LoadFault::kCancelled, "the load was cancelled"},
    FaultText{LoadFault::kNoHeader, "the file does not start with a header record (S0)"},
    FaultText{LoadFault::kNoTerminator,
              "the file does not end with a termination record (S7, S8 or S9): cut short?"},
    FaultText{LoadFault::kNoTerminatorAtLimit,
              "the last line read (the file has more than # lines) is not a termination record "
              "(S7, S8 or S9)",
              CFirmwareImage::kMaxLines},
    FaultText{LoadFault::kSimulatorSample,
              "the header record (S0) marks the file as the sample firmware of the simulator "
              "q7310-sim, not firmware for an amplifier"},
    FaultText{LoadFault::kEmptyLine, "empty line"},
    FaultText{LoadFault::kNotAnSRecord, "line does not begin with S"},
    FaultText{LoadFault::kUnknownType, "unknown record type"},
    FaultText{LoadFault::kTypeNotAllowed, "% record not allowed"},
    FaultText{LoadFault::kTypeNotBetween, "% record not allowed between the first and last line"},
    FaultText{LoadFault::kLowerCaseHex, "lower-case hex digit"},
    FaultText{LoadFault::kBadHexDigit, "bad hex digit"},
    FaultText{LoadFault::kLineTooShort, "line shorter than its byte count"},
    FaultText{LoadFault::kBadChecksum, "bad checksum"},
    FaultText{LoadFault::kPastAddressSpace, "data runs past address 0xFFFFFFFF"},
    FaultText{LoadFault::kSpanTooLarge, "address span larger than the # MiB staging buffer",
              CFirmwareImage::kStagingBufferSize / kMiB},
    FaultText{LoadFault::kImageTooLarge, "image larger than # bytes",
              CFirmwareImage::kMaxImageSize},
};

static_assert(CFirmwareImage::kStagingBufferSize % kMiB == 0, "the text counts whole MiB");
static_assert(CFirmwareImage::kMaxFileSize <= UINT32_MAX, "the text's number is 32 bits");

// The number with a comma between groups of three digits: 8,388,608.
std::string WithThousands(uint32_t number) {
  std::string digits = std::to_string(number);
  for (auto at = static_cast<std::ptrdiff_t>(digits.size()) - 3; at > 0; at -= 3) {
    digits.insert(static_cast<size_t>(at), 1, ',');
  }
  return digits;
}

}  // namespace

std::string LoadFaultText(LoadFault fault, char recordType) {
  for (const FaultText& entry : kFaultTexts) {
    if (entry.fault != fault) continue;
    std::string text(entry.text);
    if (const auto mark = text.find('%'); mark != std::string::npos) {
      text.replace(mark, 1, std::string{'S', recordType});
    }
    if (const auto mark = text.find('#'); mark != std::string::npos) {
      text.replace(mark, 1, WithThousands(entry.number));
    }
    return text;
  }
  return "unknown error";
}

}  // namespace q7310
