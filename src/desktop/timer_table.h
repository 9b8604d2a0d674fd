// TimerTable: the controller's numbered timers, one QTimer per id.
//
// Set(id, period) starts the timer or restarts it with the full period; Kill(id) stops it (a
// timer never started is fine). Each expiry calls the handler with the id, on the GUI thread,
// until Kill.
#pragma once

#include <QObject>
#include <QTimer>
#include <functional>
#include <map>
#include <memory>

namespace q7310 {

class TimerTable : public QObject {
  Q_OBJECT

 public:
  using Handler = std::function<void(unsigned id)>;
  explicit TimerTable(Handler onExpiry, QObject* parent = nullptr);

  void Set(unsigned id, unsigned periodMs);
  void Kill(unsigned id);
  void KillAll();
  bool IsActive(unsigned id) const;
  // The period of timer `id` while it runs, else -1.
  int PeriodMs(unsigned id) const;

 private:
  Handler m_onExpiry;
  std::map<unsigned, std::unique_ptr<QTimer>> m_timers;
};

}  // namespace q7310
