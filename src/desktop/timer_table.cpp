#include "desktop/timer_table.h"

namespace q7310 {

TimerTable::TimerTable(Handler onExpiry, QObject* parent)
    : QObject(parent), m_onExpiry(std::move(onExpiry)) {}

void TimerTable::Set(unsigned id, unsigned periodMs) {
  std::unique_ptr<QTimer>& timer = m_timers[id];
  if (!timer) {
    timer = std::make_unique<QTimer>();
    timer->setTimerType(Qt::PreciseTimer);
    connect(timer.get(), &QTimer::timeout, this, [this, id] { m_onExpiry(id); });
  }
  timer->start(static_cast<int>(periodMs));  // restarts a running timer
}

void TimerTable::Kill(unsigned id) {
  const auto it = m_timers.find(id);
  if (it != m_timers.end()) it->second->stop();
}

void TimerTable::KillAll() {
  for (auto& [id, timer] : m_timers) timer->stop();
}

bool TimerTable::IsActive(unsigned id) const {
  const auto it = m_timers.find(id);
  return it != m_timers.end() && it->second->isActive();
}

int TimerTable::PeriodMs(unsigned id) const {
  return IsActive(id) ? m_timers.at(id)->interval() : -1;
}

}  // namespace q7310
