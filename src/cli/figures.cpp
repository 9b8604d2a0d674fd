#include "cli/figures.h"

#include <cmath>
#include <cstdio>

namespace q7310::cli {
namespace {

// Durations up to this many seconds keep a tenth; longer ones are said in minutes and seconds.
constexpr double kSecondsWithTenths = 100.0;
constexpr int kSecondsPerMinute = 60;

}  // namespace

std::string FormatCount(uint64_t count) {
  const std::string digits = std::to_string(count);
  std::string text;
  for (size_t i = 0; i < digits.size(); ++i) {
    // A comma before every group of three digits counted from the right.
    if (i > 0 && (digits.size() - i) % 3 == 0) text += ',';
    text += digits[i];
  }
  return text;
}

std::string FormatDuration(double seconds) {
  if (!(seconds >= 0)) seconds = 0;
  char text[32];
  if (seconds < kSecondsWithTenths - 0.05) {
    std::snprintf(text, sizeof text, "%.1f s", seconds);
  } else {
    const long long whole = std::llround(seconds);
    std::snprintf(text, sizeof text, "%lld min %02lld s", whole / kSecondsPerMinute,
                  whole % kSecondsPerMinute);
  }
  return text;
}

std::string FormatRate(double bytesPerSecond) {
  if (!(bytesPerSecond >= 0)) bytesPerSecond = 0;
  return FormatCount(static_cast<uint64_t>(std::llround(bytesPerSecond))) + " B/s";
}

}  // namespace q7310::cli
