// The last port number or device that opened, kept in the user's settings (QSettings,
// organisation "q7310", application "q7310-upgrade") and used at the next start: a technician
// with a USB adapter on a high port number sets it once.
#pragma once

#include <optional>
#include <string>

#include "app/remembered_port.h"

namespace q7310 {

class CSerialPort;

RememberedPort LoadRememberedPort();
void SaveRememberedPort(const RememberedPort& port);

// Start-up: the port to open from the remembered one and the command line (app/remembered_port.h).
RememberedPort StartPort(const std::optional<std::string>& commandLineDevice);
// StartPort's device goes to `serial`; returns its port number.
int ApplyStartPort(CSerialPort& serial, const std::optional<std::string>& commandLineDevice);

}  // namespace q7310
