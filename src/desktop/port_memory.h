// The last port number or device that opened, kept in the user's settings (QSettings,
// organisation "q7310", application "q7310-upgrade") and used at the next start: a technician
// with a USB adapter on a high port number sets it once.
#pragma once

#include <optional>
#include <string>

namespace q7310 {

class CSerialPort;

struct RememberedPort {
  int portNo = 1;
  std::string device;  // an explicit device path; empty for the port number's device
};

RememberedPort LoadRememberedPort();
void SaveRememberedPort(const RememberedPort& port);

// Start-up: the port to open, the remembered number (1 the first time), and the device named on
// the command line (even an empty one: the port number's device), else the remembered device.
RememberedPort StartPort(const std::optional<std::string>& commandLineDevice);
// StartPort's device goes to `serial`; returns its port number.
int ApplyStartPort(CSerialPort& serial, const std::optional<std::string>& commandLineDevice);

}  // namespace q7310
