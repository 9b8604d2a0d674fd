#include "desktop_win32/port_memory.h"

#include <windows.h>

#include <string>

#include "util/wide_text.h"

namespace q7310::win32 {
namespace {

constexpr const wchar_t* kKey = L"Software\\q7310\\q7310-upgrade\\port";
constexpr const wchar_t* kNumberValue = L"number";
constexpr const wchar_t* kDeviceValue = L"device";

}  // namespace

RememberedPort RegistryPortMemory::Load() const {
  RememberedPort port;
  DWORD number = 0;
  DWORD size = sizeof number;
  port.stored = RegGetValueW(HKEY_CURRENT_USER, kKey, kNumberValue, RRF_RT_REG_DWORD, nullptr,
                             &number, &size) == ERROR_SUCCESS;
  if (port.stored && UsableRememberedPortNo(number)) port.portNo = static_cast<int>(number);
  DWORD bytes = 0;
  if (RegGetValueW(HKEY_CURRENT_USER, kKey, kDeviceValue, RRF_RT_REG_SZ, nullptr, nullptr,
                   &bytes) == ERROR_SUCCESS &&
      bytes > 0) {
    std::wstring device(bytes / sizeof(wchar_t), L'\0');
    if (RegGetValueW(HKEY_CURRENT_USER, kKey, kDeviceValue, RRF_RT_REG_SZ, nullptr, device.data(),
                     &bytes) == ERROR_SUCCESS) {
      device.resize(wcsnlen(device.c_str(), device.size()));
      port.device = Narrow(device);
    }
  }
  return port;
}

void RegistryPortMemory::Save(const RememberedPort& port) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE,
                      nullptr, &key, nullptr) != ERROR_SUCCESS) {
    return;
  }
  const auto number = static_cast<DWORD>(port.portNo);
  RegSetValueExW(key, kNumberValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                 sizeof number);
  if (port.device.empty()) {
    RegDeleteValueW(key, kDeviceValue);
  } else {
    const std::wstring device = Widen(port.device);
    RegSetValueExW(key, kDeviceValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(device.c_str()),
                   static_cast<DWORD>((device.size() + 1) * sizeof(wchar_t)));
  }
  RegCloseKey(key);
}

}  // namespace q7310::win32
