// The simulated amplifier's fault plan: which requests get a damaged, missing or failing reply.
//
// Requests are numbered from 1 in the order in which clean frames arrive. ForRequest is called
// once per request, in that order; everything random (the drop rate, the noise bytes) comes from
// generators seeded with the plan's seed, so the same seed and the same request sequence give the
// same faults on every run and every platform.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <vector>

namespace q7310::sim {

struct FaultOptions {
  uint64_t seed = 1;
  std::set<uint32_t> dropReplies{};       // requests whose reply is not sent
  double dropRate = 0.0;                  // fraction of the other replies not sent, 0..1
  std::set<uint32_t> corruptChecksums{};  // requests whose reply goes out with a wrong checksum
  size_t noiseBytes = 0;                  // random bytes sent before each reply
  std::set<uint32_t> failAt{};            // requests answered with a failure status
  bool deviceMessageFail = false;         // a failing device message during the update
  unsigned delayMs = 0;                   // wait before each reply
  std::set<uint32_t> lateReplies{};       // requests answered lateMs late, the line held up
  unsigned lateMs = 6000;
  std::optional<uint32_t> stopAfter{};    // answer no request after this many
  std::optional<uint32_t> hangupAfter{};  // close the line after this many requests
};

// What happens to the reply of one request.
struct RequestFaults {
  bool unanswered = false;  // past --stop-after: no reply, no other fault
  bool drop = false;
  bool corruptChecksum = false;
  bool fail = false;
  std::vector<uint8_t> noise;  // never contains DLE, so it can never open a frame
  unsigned delayMs = 0;
  bool hangup = false;  // close the line once this request has been handled
};

// A small, fully specified generator (SplitMix64), so that seeded runs agree across
// standard libraries.
class SeededRandom {
 public:
  explicit SeededRandom(uint64_t seed) : m_state(seed) {}
  uint64_t Next();
  double NextUnit();  // uniform in [0, 1)

 private:
  uint64_t m_state;
};

class FaultPlan {
 public:
  explicit FaultPlan(FaultOptions options = {});

  // The faults for request `number` (1-based); call once per request, in order.
  RequestFaults ForRequest(uint32_t number);

  const FaultOptions& Options() const { return m_options; }

 private:
  FaultOptions m_options;
  SeededRandom m_dropRandom;
  SeededRandom m_noiseRandom;
};

}  // namespace q7310::sim
