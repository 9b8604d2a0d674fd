// The device names an operator may give for a port on Windows, beside COMn.
#include "app/port_choice.h"

namespace q7310 {
namespace {

// The device namespace: "\\.\COM12", "\\.\CNCA0" (a virtual port's own name).
constexpr std::string_view kDeviceNamespace = "\\\\.\\";

}  // namespace

std::optional<std::string> DeviceFromText(std::string_view text) {
  if (text.size() > kDeviceNamespace.size() &&
      text.substr(0, kDeviceNamespace.size()) == kDeviceNamespace) {
    return std::string(text);
  }
  return std::nullopt;
}

}  // namespace q7310
