// The Windows side of port_list.h. SetupAPI lists the devices of the Ports class with what Device
// Manager shows of them (friendly name, maker, hardware ids, driver service, and in the device's
// own registry key its port name and, for FTDI adapters, the latency timer). The registry's
// HKLM\HARDWARE\DEVICEMAP\SERIALCOMM (value name: the kernel's device, value: "COMn") adds the
// ports that no Ports-class device stands for: some virtual port drivers, and every port under
// Wine.
#include <windows.h>
// setupapi.h needs windows.h first.
#include <setupapi.h>

#include <algorithm>
#include <vector>

#include "serial/port_list.h"
#include "serial/port_names.h"
#include "util/wide_text.h"

namespace q7310 {
namespace {

// The Ports device class (COM and LPT ports), {4d36e978-e325-11ce-bfc1-08002be10318}.
constexpr GUID kPortsClass = {
    0x4d36e978, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};
constexpr size_t kMaxValueChars = 1024;

// A device property; of a multi-string, the strings joined with '\n'. Empty when not set.
std::string DeviceProperty(HDEVINFO set, SP_DEVINFO_DATA& device, DWORD property) {
  std::vector<wchar_t> buffer(kMaxValueChars + 2, L'\0');
  DWORD type = 0;
  if (!SetupDiGetDeviceRegistryPropertyW(
          set, &device, property, &type, reinterpret_cast<BYTE*>(buffer.data()),
          static_cast<DWORD>(kMaxValueChars * sizeof(wchar_t)), nullptr)) {
    return {};
  }
  if (type != REG_SZ && type != REG_MULTI_SZ) return {};
  std::wstring text;
  for (const wchar_t* part = buffer.data(); *part != L'\0'; part += wcslen(part) + 1) {
    if (!text.empty()) text += L'\n';
    text += part;
    if (type == REG_SZ) break;
  }
  return Narrow(text);
}

std::string InstanceId(HDEVINFO set, SP_DEVINFO_DATA& device) {
  wchar_t id[kMaxValueChars] = {};
  if (!SetupDiGetDeviceInstanceIdW(set, &device, id, kMaxValueChars, nullptr)) return {};
  return Narrow(id);
}

std::string RegistryText(HKEY key, const wchar_t* name) {
  wchar_t value[kMaxValueChars] = {};
  DWORD bytes = sizeof value - sizeof(wchar_t);
  DWORD type = 0;
  if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &bytes) !=
          ERROR_SUCCESS ||
      type != REG_SZ) {
    return {};
  }
  value[bytes / sizeof(wchar_t)] = L'\0';
  return Narrow(value);
}

int RegistryNumber(HKEY key, const wchar_t* name, int missing) {
  DWORD value = 0;
  DWORD bytes = sizeof value;
  DWORD type = 0;
  if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &bytes) !=
          ERROR_SUCCESS ||
      type != REG_DWORD) {
    return missing;
  }
  return static_cast<int>(value);
}

// One Ports-class device; false when it is not a COM port (a printer port has no COM name).
bool DescribeDevice(HDEVINFO set, SP_DEVINFO_DATA& device, SerialPortInfo& info) {
  // The device's own key ("Device Parameters"): its port name and the adapter's settings.
  const HKEY key = SetupDiOpenDevRegKey(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
  if (key == INVALID_HANDLE_VALUE) return false;
  info.device = RegistryText(key, L"PortName");
  info.latencyMs = RegistryNumber(key, L"LatencyTimer", kLatencyUnknown);
  RegCloseKey(key);
  info.portNumber = ComPortNumber(info.device);
  if (info.portNumber == 0) return false;

  // The instance id names a USB device by its ids; a hardware id does when it does not.
  UsbIds ids = ParseUsbIds(InstanceId(set, device));
  if (ids.vendorId.empty()) ids = ParseUsbIds(DeviceProperty(set, device, SPDRP_HARDWAREID));
  info.vendorId = ids.vendorId;
  info.productId = ids.productId;
  info.serialNumber = ids.serialNumber;
  info.driver = DeviceProperty(set, device, SPDRP_SERVICE);
  std::string name = DeviceProperty(set, device, SPDRP_FRIENDLYNAME);
  if (name.empty()) name = DeviceProperty(set, device, SPDRP_DEVICEDESC);
  info.description = WindowsPortDescription(name, DeviceProperty(set, device, SPDRP_MFG));
  return true;
}

std::vector<SerialPortInfo> PortsClassDevices() {
  std::vector<SerialPortInfo> ports;
  const HDEVINFO set = SetupDiGetClassDevsW(&kPortsClass, nullptr, nullptr, DIGCF_PRESENT);
  if (set == INVALID_HANDLE_VALUE) return ports;
  SP_DEVINFO_DATA device{};
  device.cbSize = sizeof device;
  for (DWORD index = 0; SetupDiEnumDeviceInfo(set, index, &device); ++index) {
    SerialPortInfo info;
    if (DescribeDevice(set, device, info)) ports.push_back(std::move(info));
  }
  SetupDiDestroyDeviceInfoList(set);
  return ports;
}

// Adds the ports of HKLM\HARDWARE\DEVICEMAP\SERIALCOMM that `ports` does not hold yet.
void AddRegisteredPorts(std::vector<SerialPortInfo>& ports) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key) !=
      ERROR_SUCCESS) {
    return;  // no serial driver has registered a port
  }
  for (DWORD index = 0;; ++index) {
    wchar_t name[256];
    DWORD nameLength = 256;
    wchar_t value[256];
    DWORD valueBytes = sizeof value - sizeof(wchar_t);
    DWORD type = 0;
    const LONG r = RegEnumValueW(key, index, name, &nameLength, nullptr, &type,
                                 reinterpret_cast<BYTE*>(value), &valueBytes);
    if (r == ERROR_NO_MORE_ITEMS) break;
    if (r != ERROR_SUCCESS || type != REG_SZ) continue;
    value[valueBytes / sizeof(wchar_t)] = L'\0';
    SerialPortInfo info;
    info.device = Narrow(value);
    info.portNumber = ComPortNumber(info.device);
    const bool known = std::any_of(ports.begin(), ports.end(), [&](const SerialPortInfo& p) {
      return info.portNumber != 0 ? p.portNumber == info.portNumber : p.device == info.device;
    });
    if (known) continue;
    info.driver = Narrow(std::wstring(name, nameLength));
    ports.push_back(std::move(info));
  }
  RegCloseKey(key);
}

}  // namespace

std::vector<SerialPortInfo> ListSerialPorts(const std::string&, const std::string&) {
  std::vector<SerialPortInfo> ports = PortsClassDevices();
  AddRegisteredPorts(ports);
  std::sort(ports.begin(), ports.end(), [](const SerialPortInfo& a, const SerialPortInfo& b) {
    return a.portNumber != b.portNumber ? a.portNumber < b.portNumber : a.device < b.device;
  });
  return ports;
}

bool PortAccessDenied(const std::string&) {
  return false;
}

}  // namespace q7310
