#include "serial/port_names.h"

#include <algorithm>
#include <cctype>

namespace q7310 {
namespace {

constexpr std::string_view kComPrefix = "COM";
constexpr size_t kMaxComDigits = 4;
constexpr size_t kUsbIdDigits = 4;

std::string Upper(std::string_view text) {
  std::string upper(text);
  std::transform(upper.begin(), upper.end(), upper.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return upper;
}

bool IsHex(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](unsigned char c) { return std::isxdigit(c) != 0; });
}

// The four hex digits after `key` ("VID_") in the upper-case id, lower-cased; empty without them.
std::string HexField(const std::string& upperId, std::string_view key) {
  const size_t at = upperId.find(key);
  if (at == std::string::npos || at + key.size() + kUsbIdDigits > upperId.size()) return {};
  std::string digits = upperId.substr(at + key.size(), kUsbIdDigits);
  if (!IsHex(digits)) return {};
  std::transform(digits.begin(), digits.end(), digits.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return digits;
}

// The serial number within the parts of an instance id (split at '\').
std::string SerialNumberOf(std::string_view deviceId) {
  const size_t first = deviceId.find('\\');
  if (first == std::string_view::npos) return {};
  const std::string_view rest = deviceId.substr(first + 1);
  const size_t second = rest.find('\\');
  if (second == std::string_view::npos) return {};
  const std::string_view ids = rest.substr(0, second);
  // FTDI's own bus: VID_xxxx+PID_xxxx+SERIAL\0000.
  if (const size_t plus = ids.rfind('+'); plus != std::string_view::npos) {
    return std::string(ids.substr(plus + 1));
  }
  // USB: VID_xxxx&PID_xxxx\SERIAL; a part with '&' is one Windows made up for a device
  // without a serial number.
  const std::string_view last = rest.substr(second + 1);
  if (last.empty() || last.find('&') != std::string_view::npos ||
      last.find('\\') != std::string_view::npos) {
    return {};
  }
  return std::string(last);
}

}  // namespace

int ComPortNumber(std::string_view name) {
  if (name.size() <= kComPrefix.size() || name.size() > kComPrefix.size() + kMaxComDigits) {
    return 0;
  }
  if (Upper(name.substr(0, kComPrefix.size())) != kComPrefix) return 0;
  int number = 0;
  for (const char c : name.substr(kComPrefix.size())) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return 0;
    number = number * 10 + (c - '0');
  }
  return number;
}

UsbIds ParseUsbIds(std::string_view deviceId) {
  const std::string upper = Upper(deviceId);
  UsbIds ids;
  ids.vendorId = HexField(upper, "VID_");
  ids.productId = HexField(upper, "PID_");
  if (!ids.vendorId.empty()) ids.serialNumber = SerialNumberOf(deviceId);
  return ids;
}

std::string WindowsPortDescription(std::string_view friendlyName, std::string_view maker) {
  std::string name(friendlyName);
  // "USB Serial Port (COM7)": the port's name is shown in a column of its own.
  if (const size_t open = name.rfind(" (");
      open != std::string::npos && name.back() == ')' &&
      ComPortNumber(std::string_view(name).substr(open + 2, name.size() - open - 3)) > 0) {
    name.erase(open);
  }
  const bool placeholder = maker.empty() || maker.front() == '(';
  if (placeholder || Upper(name).find(Upper(maker)) != std::string::npos) return name;
  return name.empty() ? std::string(maker) : std::string(maker) + " " + name;
}

}  // namespace q7310
