#include "sim/fault_plan.h"

#include "serial/envelope.h"

namespace q7310::sim {

namespace {
// Separate streams for the two random decisions, so that adding noise does not change which
// replies a drop rate drops.
constexpr uint64_t kDropStream = 0x5DEECE66DULL;
constexpr uint64_t kNoiseStream = 0xB5AD4ECEDA1CE2A9ULL;
constexpr double kTwoToMinus53 = 1.0 / 9007199254740992.0;
}  // namespace

uint64_t SeededRandom::Next() {
  uint64_t z = (m_state += 0x9E3779B97F4A7C15ULL);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
  return z ^ (z >> 31);
}

double SeededRandom::NextUnit() {
  return static_cast<double>(Next() >> 11) * kTwoToMinus53;
}

FaultPlan::FaultPlan(FaultOptions options)
    : m_options(std::move(options)),
      m_dropRandom(m_options.seed ^ kDropStream),
      m_noiseRandom(m_options.seed ^ kNoiseStream) {}

RequestFaults FaultPlan::ForRequest(uint32_t number) {
  RequestFaults f;
  f.hangup = m_options.hangupAfter && number >= *m_options.hangupAfter;
  if (m_options.stopAfter && number > *m_options.stopAfter) {
    f.unanswered = true;
    return f;
  }
  // The rate is drawn for every request, so that the listed drops do not shift the sequence.
  const bool rateDrop = m_options.dropRate > 0.0 && m_dropRandom.NextUnit() < m_options.dropRate;
  f.drop = rateDrop || m_options.dropReplies.contains(number);
  f.corruptChecksum = m_options.corruptChecksums.contains(number);
  f.fail = m_options.failAt.contains(number);
  f.delayMs = m_options.delayMs;
  if (m_options.lateReplies.contains(number)) f.delayMs += m_options.lateMs;
  if (!f.drop) {
    f.noise.reserve(m_options.noiseBytes);
    while (f.noise.size() < m_options.noiseBytes) {
      const auto b = static_cast<uint8_t>(m_noiseRandom.Next());
      if (b != DLE) f.noise.push_back(b);
    }
  }
  return f;
}

}  // namespace q7310::sim
