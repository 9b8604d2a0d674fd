// The Windows side of port_list.h: the COM ports that the serial drivers have registered under
// HKLM\HARDWARE\DEVICEMAP\SERIALCOMM (value name: the kernel's device, value: "COMn").
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cwctype>

#include "serial/port_list.h"
#include "util/wide_text.h"

namespace q7310 {
namespace {

// n for "COMn", 0 for any other name.
int PortNumberOf(const std::string& name) {
  if (name.size() < 4 || name.size() > 7) return 0;
  if (std::toupper(static_cast<unsigned char>(name[0])) != 'C' ||
      std::toupper(static_cast<unsigned char>(name[1])) != 'O' ||
      std::toupper(static_cast<unsigned char>(name[2])) != 'M') {
    return 0;
  }
  int number = 0;
  for (size_t i = 3; i < name.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(name[i]))) return 0;
    number = number * 10 + (name[i] - '0');
  }
  return number;
}

}  // namespace

std::vector<SerialPortInfo> ListSerialPorts(const std::string&) {
  std::vector<SerialPortInfo> ports;
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key) !=
      ERROR_SUCCESS) {
    return ports;  // no serial driver has registered a port
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
    info.driver = Narrow(std::wstring(name, nameLength));
    info.portNumber = PortNumberOf(info.device);
    ports.push_back(std::move(info));
  }
  RegCloseKey(key);
  std::sort(ports.begin(), ports.end(), [](const SerialPortInfo& a, const SerialPortInfo& b) {
    return a.portNumber != b.portNumber ? a.portNumber < b.portNumber : a.device < b.device;
  });
  return ports;
}

bool PortAccessDenied(const std::string&) {
  return false;
}

}  // namespace q7310
