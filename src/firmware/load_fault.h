// Why a firmware load failed: one code per reason, and the short text that LastError() and the
// command-line tool show for it.
#pragma once

#include <cstdint>
#include <string>

namespace q7310 {

enum class LoadFault : uint8_t {
  kNone,
  // The file as a whole.
  kCannotOpen,
  kReadError,
  kFewerThanThreeLines,
  kOutOfMemory,
  kCannotWrite,
  kFileChanged,
  kFileTooLarge,         // larger than kMaxFileSize (or grew past it while read)
  kCancelled,            // the stop flag was set
  kNoHeader,             // line 1 is not an S0 record
  kNoTerminator,         // the last line is not an S7, S8 or S9 record
  kNoTerminatorAtLimit,  // the same, on the last line read when the file has more lines
  kSimulatorSample,      // the header marks the simulator's sample, and the load refuses it
  // One line.
  kEmptyLine,
  kNotAnSRecord,
  kUnknownType,
  kTypeNotAllowed,  // S4, S5, S6 anywhere
  kTypeNotBetween,  // S0, S7, S8, S9 between the first and the last line
  kLowerCaseHex,
  kBadHexDigit,
  kLineTooShort,
  kBadChecksum,
  kPastAddressSpace,
  kSpanTooLarge,
  kImageTooLarge,
};

// The short reason for `fault`. `recordType` is character 1 of the line to blame (the record
// type digit), used by the reasons that name the record type.
std::string LoadFaultText(LoadFault fault, char recordType);

}  // namespace q7310
