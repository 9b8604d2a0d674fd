#include "serial/envelope.h"

namespace q7310 {

void AppendEnvelope(std::span<const uint8_t> frame, std::vector<uint8_t>& out) {
  out.reserve(out.size() + EnvelopeSize(frame));
  out.push_back(DLE);
  out.push_back(STX);
  uint16_t sum = 0;
  for (uint8_t b : frame) {
    out.push_back(b);
    sum = static_cast<uint16_t>(sum + b);
    if (b == DLE) {
      out.push_back(DLE);
      sum = static_cast<uint16_t>(sum + DLE);
    }
  }
  out.push_back(DLE);
  out.push_back(ETX);
  out.push_back(static_cast<uint8_t>(sum >> 8));
  out.push_back(static_cast<uint8_t>(sum & 0xFF));
}

std::vector<uint8_t> Envelope(std::span<const uint8_t> frame) {
  std::vector<uint8_t> out;
  AppendEnvelope(frame, out);
  return out;
}

size_t EnvelopeSize(std::span<const uint8_t> frame) {
  size_t n = frame.size() + 6;
  for (uint8_t b : frame) n += (b == DLE) ? 1 : 0;
  return n;
}

}  // namespace q7310
