#include "app/present_ports.h"

#include <cstdlib>

namespace q7310 {
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

std::string SysfsRoot() {
  return Variable(kSysfsVariable, kSysfs);
}

std::string DevRoot() {
  return Variable(kDevfsVariable, kDevfs);
}

std::vector<SerialPortInfo> PresentPorts() {
  return ListSerialPorts(SysfsRoot(), DevRoot());
}

}  // namespace q7310
