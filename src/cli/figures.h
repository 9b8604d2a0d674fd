// Numbers as the command-line tool writes them for people: counts with thousands separators,
// durations and rates. Pure functions.
#pragma once

#include <cstdint>
#include <string>

namespace q7310::cli {

// "135,204".
std::string FormatCount(uint64_t count);
// "0.4 s", "13.7 s", "99.9 s", then "2 min 05 s".
std::string FormatDuration(double seconds);
// "4,771 B/s".
std::string FormatRate(double bytesPerSecond);

}  // namespace q7310::cli
