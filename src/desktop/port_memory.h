// The remembered port (app/remembered_port.h) of the Qt desktop program, kept in the user's
// settings: QSettings, organisation "q7310", application "q7310-upgrade" (on Linux the file
// ~/.config/q7310/q7310-upgrade.conf), keys port/number and port/device (absent for the port
// number's device).
#pragma once

#include "app/remembered_port.h"

namespace q7310 {

class SettingsPortMemory : public IPortMemory {
 public:
  RememberedPort Load() const override;
  void Save(const RememberedPort& port) override;
};

}  // namespace q7310
