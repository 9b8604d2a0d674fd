// The POSIX side of port_list.h: the ports under /sys/class/tty.
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "serial/port_list.h"

namespace q7310 {
namespace fs = std::filesystem;
namespace {

constexpr int kMaxUsbAncestors = 6;  // interface, device, hub ports … before giving up
constexpr const char* kUartPrefix = "ttyS";

std::string ReadAttribute(const fs::path& file) {
  std::ifstream in(file);
  std::string value;
  std::getline(in, value);
  while (!value.empty() && (value.back() == '\n' || value.back() == ' ')) value.pop_back();
  return value;
}

// The USB device above `device`, found by its idVendor attribute; empty when none is.
fs::path UsbDeviceOf(const fs::path& device) {
  std::error_code ec;
  fs::path dir = fs::canonical(device, ec);
  if (ec) return {};
  for (int i = 0; i < kMaxUsbAncestors && !dir.empty() && dir != dir.root_path(); ++i) {
    if (fs::exists(dir / "idVendor", ec)) return dir;
    dir = dir.parent_path();
  }
  return {};
}

int PortNumberOf(const std::string& name) {
  if (name.rfind(kUartPrefix, 0) != 0) return 0;
  const std::string digits = name.substr(std::string(kUartPrefix).size());
  if (digits.empty() || !std::all_of(digits.begin(), digits.end(), ::isdigit)) return 0;
  return std::stoi(digits) + 1;
}

}  // namespace

std::vector<SerialPortInfo> ListSerialPorts(const std::string& sysfsRoot,
                                            const std::string& devRoot) {
  std::vector<SerialPortInfo> ports;
  std::error_code ec;
  const fs::path classDir = fs::path(sysfsRoot) / "class" / "tty";
  for (const auto& entry : fs::directory_iterator(classDir, ec)) {
    const fs::path device = entry.path() / "device";
    if (!fs::exists(device, ec)) continue;  // virtual terminals, pseudo-terminals
    const std::string name = entry.path().filename().string();
    const std::string type = ReadAttribute(entry.path() / "type");
    if (name.rfind(kUartPrefix, 0) == 0 && (type.empty() || type == "0")) continue;

    SerialPortInfo info;
    info.device = (fs::path(devRoot) / name).string();
    info.driver = fs::read_symlink(device / "driver", ec).filename().string();
    info.portNumber = PortNumberOf(name);
    if (const fs::path usb = UsbDeviceOf(device); !usb.empty()) {
      info.vendorId = ReadAttribute(usb / "idVendor");
      info.productId = ReadAttribute(usb / "idProduct");
      info.serialNumber = ReadAttribute(usb / "serial");
      const std::string maker = ReadAttribute(usb / "manufacturer");
      const std::string product = ReadAttribute(usb / "product");
      info.description = maker.empty() ? product : product.empty() ? maker : maker + " " + product;
    }
    ports.push_back(std::move(info));
  }
  std::sort(ports.begin(), ports.end(),
            [](const SerialPortInfo& a, const SerialPortInfo& b) { return a.device < b.device; });
  return ports;
}

bool PortAccessDenied(const std::string& device) {
  return ::access(device.c_str(), R_OK | W_OK) != 0 && errno == EACCES;
}

}  // namespace q7310
