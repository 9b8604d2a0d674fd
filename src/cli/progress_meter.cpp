#include "cli/progress_meter.h"

#include <algorithm>

#include "app/texts.h"
#include "cli/figures.h"

namespace q7310::cli {
namespace {

constexpr int kPercentAll = 100;
constexpr int kPercentPerLine = 10;

}  // namespace

void ProgressMeter::Start(Clock::time_point now) {
  m_start = now;
  m_bytes = 0;
  m_shareCountsBytes = true;
  m_expected = 0;
  m_percent = 0;
  m_lastTenth = -1;
}

void ProgressMeter::SetPercent(int percent) {
  m_percent = std::clamp(percent, 0, kPercentAll);
}

double ProgressMeter::ElapsedSeconds(Clock::time_point now) const {
  return std::chrono::duration<double>(now - m_start).count();
}

std::string ProgressMeter::Stats(Clock::time_point now) const {
  const double elapsed = ElapsedSeconds(now);
  std::string text = FormatDuration(elapsed);
  if (elapsed < kMinSecondsForEstimates) return text;
  if (m_bytes > 0) text += ", " + FormatRate(static_cast<double>(m_bytes) / elapsed);
  // The share left, as bytes where they are known, else as percent.
  double doneShare = 0;
  if (m_shareCountsBytes) {
    if (m_percent < kPercentAll) doneShare = static_cast<double>(m_percent) / kPercentAll;
  } else if (m_bytes < m_expected) {
    doneShare = static_cast<double>(m_bytes) / m_expected;
  }
  if (doneShare > 0) {
    text += ", " + FormatDuration(elapsed * (1 - doneShare) / doneShare) +
            std::string(texts::kCliTimeLeft);
  }
  return text;
}

bool ProgressMeter::LineDue(int percent) {
  if (percent < 0 || percent >= kPercentAll) return false;
  const int tenth = percent / kPercentPerLine;
  if (tenth <= m_lastTenth) return false;
  m_lastTenth = tenth;
  return true;
}

}  // namespace q7310::cli
