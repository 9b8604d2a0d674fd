// The report that q7310-sim prints to stderr when it ends.
#pragma once

#include <string>

#include "sim/amplifier.h"

namespace q7310::sim {

inline constexpr const char* kImageSumOk = "image sum OK";
inline constexpr const char* kImageSumMismatch = "image sum MISMATCH";

// Several lines: requests by kind, replies sent, faults injected, the update image (received
// size and sum against the announced ones, and kImageSumOk or kImageSumMismatch once the last
// block came), the restore records written, and the overall result.
std::string FormatSummary(const Amplifier& amplifier);

}  // namespace q7310::sim
