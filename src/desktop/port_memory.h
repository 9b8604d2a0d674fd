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

// Start-up: the device named on the command line, else the remembered device, goes to
// `serial`; returns the port number to open (the remembered one, 1 the first time).
int ApplyStartPort(CSerialPort& serial, const std::optional<std::string>& commandLineDevice);

}  // namespace q7310
