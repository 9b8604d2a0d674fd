// The port a desktop program remembers between runs: the last port number or device that opened,
// used at the next start, so that a technician with a USB adapter on a high port number sets it
// once. Where it is kept is the system's business (IPortMemory: the Qt program's QSettings file
// on Linux, the registry on Windows); what is kept, and what the next start opens, is decided
// here and in the presenter for both.
#pragma once

#include <optional>
#include <string>

namespace q7310 {

struct RememberedPort {
  int portNo = 1;
  std::string device;   // an explicit device path; empty for the port number's device
  bool stored = false;  // Load: a port was stored by an earlier run (else the values above)
};

// Where a desktop program keeps its remembered port.
class IPortMemory {
 public:
  virtual ~IPortMemory() = default;
  // The stored port; the first port without a device when nothing (usable) is stored.
  virtual RememberedPort Load() const = 0;
  // Stores `port`; a store that cannot be written leaves the next start at the old values.
  virtual void Save(const RememberedPort& port) = 0;
};

// Start-up: the remembered port number (1 the first time), and the device named on the command
// line (even an empty one: the port number's device), else the remembered device.
RememberedPort StartPort(RememberedPort remembered,
                         const std::optional<std::string>& commandLineDevice);

// Whether a stored port number can be used; otherwise the first port is opened.
bool UsableRememberedPortNo(long long portNo);

}  // namespace q7310
