// The port a desktop program remembers between runs: the last port number or device that opened,
// used at the next start, so that a technician with a USB adapter on a high port number sets it
// once. Each desktop program keeps it in its toolkit's or system's user settings; the rule for
// what the next start opens is the same for both.
#pragma once

#include <optional>
#include <string>

namespace q7310 {

struct RememberedPort {
  int portNo = 1;
  std::string device;  // an explicit device path; empty for the port number's device
};

// Start-up: the remembered port number (1 the first time), and the device named on the command
// line (even an empty one: the port number's device), else the remembered device.
RememberedPort StartPort(RememberedPort remembered,
                         const std::optional<std::string>& commandLineDevice);

// Whether a stored port number can be used; otherwise the first port is opened.
bool UsableRememberedPortNo(long long portNo);

}  // namespace q7310
