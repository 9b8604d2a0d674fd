// The device paths an operator may give for a port on Linux.
#include "app/port_choice.h"

namespace q7310 {
namespace {

// A terminal named without its folder ("ttyUSB0", "ttyACM0", "ttyS1") lives in /dev.
constexpr std::string_view kTerminalPrefix = "tty";
constexpr std::string_view kDeviceFolder = "/dev/";

}  // namespace

std::optional<std::string> DeviceFromText(std::string_view text) {
  if (text.find('/') != std::string_view::npos) return std::string(text);
  if (text.size() > kTerminalPrefix.size() &&
      text.substr(0, kTerminalPrefix.size()) == kTerminalPrefix) {
    return std::string(kDeviceFolder) + std::string(text);
  }
  return std::nullopt;
}

}  // namespace q7310
