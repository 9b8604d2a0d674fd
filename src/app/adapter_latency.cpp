#include "app/adapter_latency.h"

#include <cstdio>

#include "app/numbered_format.h"
#include "app/texts.h"
#include "firmware/firmware_image.h"

namespace q7310 {
namespace {

constexpr double kMsPerSecond = 1000.0;

std::string Seconds(uint64_t ms) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", static_cast<double>(ms) / kMsPerSecond);
  return text;
}

}  // namespace

uint32_t UpdateRequests(uint32_t imageSize) {
  return CFirmwareImage::BlockCount(imageSize) + 1;
}

uint64_t LatencyCostMs(int latencyMs, uint32_t imageSize) {
  if (latencyMs <= 0) return 0;
  return static_cast<uint64_t>(latencyMs) * UpdateRequests(imageSize);
}

bool LatencyWorthLowering(const SerialPortInfo& port) {
  return port.latencyMs > kLatencyWarnAboveMs;
}

std::string LatencyUpdateWarning(const SerialPortInfo& port, uint32_t imageSize) {
  if (!LatencyWorthLowering(port)) return {};
  return FormatNumbered(texts::kFmtLatencySlowsUpdate,
                        {port.device, std::to_string(port.latencyMs),
                         std::to_string(UpdateRequests(imageSize)),
                         Seconds(LatencyCostMs(port.latencyMs, imageSize))}) +
         " " + std::string(texts::kLatencyHowToLower);
}

std::string LatencyPortNote(const SerialPortInfo& port) {
  if (!LatencyWorthLowering(port)) return {};
  return FormatNumbered(texts::kFmtLatencyPortNote,
                        {port.device, std::to_string(port.latencyMs),
                         Seconds(LatencyCostMs(port.latencyMs, kTypicalImageSize))}) +
         " " + std::string(texts::kLatencyHowToLower);
}

}  // namespace q7310
