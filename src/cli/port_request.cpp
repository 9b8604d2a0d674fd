#include "cli/port_request.h"

#include <cstdlib>

#include "app/texts.h"

namespace q7310::cli {
namespace {

constexpr const char* kSysfsVariable = "Q7310_SYSFS";
constexpr const char* kDevfsVariable = "Q7310_DEVFS";
constexpr const char* kSysfs = "/sys";
constexpr const char* kDevfs = "/dev";

std::string Variable(const char* name, const char* fallback) {
  const char* value = std::getenv(name);
  return value != nullptr && value[0] != '\0' ? value : fallback;
}

}  // namespace

NamedPort PortNamedBy(const OperationOptions& options, const char* variable) {
  NamedPort named;
  if (!options.session.device.empty()) {
    named.port = PortName{0, options.session.device};
  } else if (!options.port.empty()) {
    named.port = ParsePortName(options.port);  // checked when the options were read
  } else if (variable != nullptr && variable[0] != '\0') {
    named.port = ParsePortName(variable);
    if (!named.port) {
      named.error = std::string(texts::kPortVariable) + "='" + variable +
                    "': " + std::string(texts::kUsagePortForms);
    }
  }
  return named;
}

std::string SysfsRoot() {
  return Variable(kSysfsVariable, kSysfs);
}

std::string DevRoot() {
  return Variable(kDevfsVariable, kDevfs);
}

std::vector<SerialPortInfo> PresentPorts() {
  return ListSerialPorts(SysfsRoot(), DevRoot());
}

}  // namespace q7310::cli
