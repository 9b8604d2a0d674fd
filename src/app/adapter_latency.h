// The cost of a USB serial adapter's latency timer. Such an adapter holds a short reply until
// its latency timer runs out (16 ms by default for the common FTDI chips on Windows), and every
// request of an update (the start, then one per 128-byte block) waits for a short reply: the
// timer adds one period per request. Linux asks the driver for low latency when it opens the
// port; Windows keeps the timer in the adapter driver's registry key, where the port list reads
// it (SerialPortInfo::latencyMs).
//
// Pure functions, safe on any thread.
#pragma once

#include <cstdint>
#include <string>

#include "serial/port_list.h"

namespace q7310 {

// A latency timer above this is worth lowering before an update.
inline constexpr int kLatencyWarnAboveMs = 4;
// The image that `q7310 ports` prices a latency timer for: 64 KiB.
inline constexpr uint32_t kTypicalImageSize = 64 * 1024;

// The requests of an update of `imageSize` bytes: the start and one per block.
uint32_t UpdateRequests(uint32_t imageSize);
// The time, in ms, that a latency timer of `latencyMs` adds to an update of `imageSize` bytes.
uint64_t LatencyCostMs(int latencyMs, uint32_t imageSize);
// Whether the port's latency timer is known and above kLatencyWarnAboveMs.
bool LatencyWorthLowering(const SerialPortInfo& port);

// Said once before an update when the latency timer is worth lowering, else empty: "The USB
// adapter on COM7 holds every reply for 16 ms (its latency timer): this update of 513 requests
// takes about 8.2 s longer. …" with how to lower it.
std::string LatencyUpdateWarning(const SerialPortInfo& port, uint32_t imageSize);
// The same for the port list, priced for an update of kTypicalImageSize bytes; empty when the
// timer is not worth lowering.
std::string LatencyPortNote(const SerialPortInfo& port);

}  // namespace q7310
