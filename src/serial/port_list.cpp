// The parts of port_list.h that are the same on every OS.
#include "serial/port_list.h"

namespace q7310 {

std::string DescribePorts(const std::vector<SerialPortInfo>& ports) {
  if (ports.empty()) return "no serial ports found";
  std::string text = "serial ports found: ";
  for (size_t i = 0; i < ports.size(); ++i) {
    if (i) text += ", ";
    text += ports[i].device;
    if (ports[i].portNumber) text += " (port " + std::to_string(ports[i].portNumber) + ")";
  }
  return text;
}

}  // namespace q7310
