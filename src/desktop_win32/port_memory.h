// The remembered port (app/remembered_port.h) of the Windows desktop program, kept in the user's
// registry: HKCU\Software\q7310\q7310-upgrade\port, the port number as the DWORD "number" and an
// explicit device as the string "device" (absent for the port number's device).
#pragma once

#include "app/remembered_port.h"

namespace q7310::win32 {

class RegistryPortMemory : public IPortMemory {
 public:
  RememberedPort Load() const override;
  void Save(const RememberedPort& port) override;
};

}  // namespace q7310::win32
