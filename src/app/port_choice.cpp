#include "app/port_choice.h"

#include <algorithm>
#include <cctype>

#include "serial/port_names.h"
#include "serial/serial_port.h"

namespace q7310 {
namespace {

constexpr size_t kMaxPortDigits = 4;
constexpr std::string_view kDeviceNamespace = "\\\\.\\";

std::optional<int> PortNumberFromDigits(std::string_view text) {
  if (text.empty() || text.size() > kMaxPortDigits ||
      !std::all_of(text.begin(), text.end(),
                   [](unsigned char c) { return std::isdigit(c) != 0; })) {
    return std::nullopt;
  }
  int number = 0;
  for (const char c : text) number = number * 10 + (c - '0');
  if (number < 1 || number > kMaxPortNo) return std::nullopt;
  return number;
}

}  // namespace

std::optional<PortName> ParsePortName(std::string_view text) {
  if (const std::optional<int> number = PortNumberFromDigits(text)) return PortName{*number, {}};
  if (const int com = ComPortNumber(text); com > 0) return PortName{com, {}};
  if (std::optional<std::string> device = DeviceFromText(text)) {
    return PortName{0, std::move(*device)};
  }
  return std::nullopt;
}

const SerialPortInfo* FindListedPort(const std::vector<SerialPortInfo>& present,
                                     const PortName& port) {
  // Windows opens COM12 as "\\.\COM12": either spelling names the listed port.
  std::string_view device = port.device;
  if (device.substr(0, kDeviceNamespace.size()) == kDeviceNamespace) {
    device.remove_prefix(kDeviceNamespace.size());
  }
  const int portNo = port.portNo > 0 ? port.portNo : ComPortNumber(device);
  for (const SerialPortInfo& listed : present) {
    if (portNo > 0 ? listed.portNumber == portNo : listed.device == port.device) return &listed;
  }
  return nullptr;
}

PortChoice ChoosePortToOpen(const std::optional<PortName>& named,
                            const std::vector<SerialPortInfo>& present) {
  PortChoice choice;
  std::copy_if(present.begin(), present.end(), std::back_inserter(choice.adapters),
               [](const SerialPortInfo& p) { return p.IsUsbAdapter(); });
  if (named) {
    choice.port = *named;
    choice.source = PortSource::kNamed;
  } else if (choice.adapters.size() == 1) {
    const SerialPortInfo& only = choice.adapters.front();
    choice.port = only.portNumber > 0 ? PortName{only.portNumber, {}} : PortName{0, only.device};
    choice.source = PortSource::kOnlyAdapter;
  } else if (choice.adapters.size() > 1) {
    choice.ambiguous = true;
    return choice;
  } else {
    choice.port = PortName{kDefaultPortNo, {}};
    choice.source = PortSource::kDefault;
  }
  if (const SerialPortInfo* listed = FindListedPort(present, choice.port)) choice.info = *listed;
  return choice;
}

std::string PortDevice(const PortName& port) {
  if (!port.device.empty()) return port.device;
  std::string device = CSerialPort::DeviceForPortNumber(static_cast<unsigned>(port.portNo));
  if (device.compare(0, kDeviceNamespace.size(), kDeviceNamespace) == 0) {
    device.erase(0, kDeviceNamespace.size());
  }
  return device;
}

std::string DescribeChoice(const PortChoice& choice) {
  std::string text = PortDevice(choice.port);
  std::string what = choice.info ? DescribeListedPort(*choice.info) : std::string();
  if (what.empty() && choice.port.portNo > 0) what = "port " + std::to_string(choice.port.portNo);
  if (!what.empty()) text += " (" + what + ")";
  return text;
}

std::string DescribeListedPort(const SerialPortInfo& port) {
  std::string text = port.description;
  if (port.IsUsbAdapter()) {
    if (!text.empty()) text += ", ";
    text += port.vendorId + ":" + port.productId;
  }
  if (text.empty() && port.portNumber > 0) text = "port " + std::to_string(port.portNumber);
  return text;
}

}  // namespace q7310
