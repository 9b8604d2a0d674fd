// The serial ports present, as every front end looks them up: the system's list
// (serial/port_list.h) read from /sys and /dev, or from the trees that Q7310_SYSFS and
// Q7310_DEVFS name when they are set (tests and demonstrations give made-up ones; Linux only,
// Windows asks the system and ignores both).
#pragma once

#include <string>
#include <vector>

#include "serial/port_list.h"

namespace q7310 {

// The trees that port discovery reads on Linux.
std::string SysfsRoot();
std::string DevRoot();
// The serial ports present, read from those trees. Any thread.
std::vector<SerialPortInfo> PresentPorts();

}  // namespace q7310
