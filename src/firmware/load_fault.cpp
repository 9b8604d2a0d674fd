#include "firmware/load_fault.h"

#include <array>
#include <string_view>

namespace q7310 {
namespace {

struct FaultText {
  LoadFault fault;
  std::string_view text;
};

// "%" stands for the record type, written as "S" and its type digit.
constexpr std::array kFaultTexts = {
    FaultText{LoadFault::kNone, "no error"},
    FaultText{LoadFault::kCannotOpen, "cannot open the file"},
    FaultText{LoadFault::kReadError, "read error"},
    FaultText{LoadFault::kFewerThanThreeLines, "fewer than 3 lines"},
    FaultText{LoadFault::kOutOfMemory, "not enough memory for the staging buffer"},
    FaultText{LoadFault::kCannotWrite, "cannot write the staged image"},
    FaultText{LoadFault::kFileChanged, "the file changed while it was read"},
    FaultText{LoadFault::kNoHeader, "the file does not start with a header record (S0)"},
    FaultText{LoadFault::kNoTerminator,
              "the file does not end with a termination record (S7, S8 or S9): cut short?"},
    FaultText{LoadFault::kNoTerminatorAtLimit,
              "the last line read (the file has more than 1,048,576 lines) is not a termination "
              "record (S7, S8 or S9)"},
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
    FaultText{LoadFault::kSpanTooLarge, "address span larger than the 12 MiB staging buffer"},
    FaultText{LoadFault::kImageTooLarge, "image larger than 8,388,608 bytes"},
};

}  // namespace

std::string LoadFaultText(LoadFault fault, char recordType) {
  for (const FaultText& entry : kFaultTexts) {
    if (entry.fault != fault) continue;
    std::string text(entry.text);
    if (const auto mark = text.find('%'); mark != std::string::npos) {
      text.replace(mark, 1, std::string{'S', recordType});
    }
    return text;
  }
  return "unknown error";
}

}  // namespace q7310
