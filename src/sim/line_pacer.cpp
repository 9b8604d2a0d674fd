#include "sim/line_pacer.h"

#include <algorithm>

namespace q7310::sim {

SimClock::time_point ReceivePacer::Arrive(SimClock::time_point actual) {
  if (!m_pace) return actual;
  m_last = m_any ? std::max(actual, m_last + kByteTime) : actual;
  m_any = true;
  return m_last;
}

void TransmitPacer::Begin(SimClock::time_point earliest) {
  m_next = m_pace ? std::max(earliest, m_lineFree) : earliest;
}

SimClock::time_point TransmitPacer::NextDeadline() {
  if (!m_pace) return m_next;
  m_next += kByteTime;
  m_lineFree = m_next;
  return m_next;
}

}  // namespace q7310::sim
