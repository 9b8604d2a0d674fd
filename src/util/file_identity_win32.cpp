// The Windows side of file_identity.h: the file is opened for no access at all (which neither
// reads nor waits, and passes other programs' sharing rules) and GetFileInformationByHandle gives
// its volume serial number and file index. A DOS device name is never opened: opening "COM5"
// would open the serial port.
#include <windows.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <string_view>

#include "util/file_identity.h"
#include "util/wide_text.h"

namespace q7310 {
namespace {

constexpr std::array<std::string_view, 2> kDevicePrefixes = {"\\\\.\\", "//./"};
constexpr std::array<std::string_view, 2> kPipePrefixes = {"\\\\.\\pipe\\", "//./pipe/"};
constexpr std::array<std::string_view, 6> kPlainDevices = {"CON", "PRN",    "AUX",
                                                           "NUL", "CONIN$", "CONOUT$"};
constexpr std::array<std::string_view, 2> kNumberedDevices = {"COM", "LPT"};

std::string Upper(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return upper;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && Upper(text.substr(0, prefix.size())) == Upper(prefix);
}

// "COM5", "LPT1", "NUL" ... (upper case): names that Windows takes for a device in any folder.
bool IsReservedName(const std::string& name) {
  if (std::find(kPlainDevices.begin(), kPlainDevices.end(), name) != kPlainDevices.end()) {
    return true;
  }
  for (std::string_view stem : kNumberedDevices) {
    if (name.size() > stem.size() && name.compare(0, stem.size(), stem) == 0 &&
        std::all_of(name.begin() + static_cast<std::ptrdiff_t>(stem.size()), name.end(),
                    [](char c) { return std::isdigit(static_cast<unsigned char>(c)); })) {
      return true;
    }
  }
  return false;
}

// The device a path names, upper case, or empty: "\\.\COM12" and "//./com12" name COM12, and a
// reserved name as the last part of a path ("COM5", "COM5:", "C:\logs\com5.txt") names that
// device as well (the extension and trailing colons or spaces do not count).
std::string DeviceNameOf(const std::string& path) {
  for (std::string_view prefix : kDevicePrefixes) {
    if (!StartsWithNoCase(path, prefix)) continue;
    const std::string rest = path.substr(prefix.size());
    if (rest.find_first_of("\\/") == std::string::npos) return Upper(rest);
  }
  const size_t slash = path.find_last_of("\\/");
  std::string last = path.substr(slash == std::string::npos ? 0 : slash + 1);
  if (const size_t colon = last.find(':'); slash == std::string::npos && colon == 1) {
    last = last.substr(2);  // "C:COM5": a drive, then the name
  }
  last = last.substr(0, last.find('.'));
  while (!last.empty() && (last.back() == ' ' || last.back() == ':')) last.pop_back();
  last = Upper(last);
  return IsReservedName(last) ? last : std::string();
}

bool IsPipeName(const std::string& path) {
  return std::any_of(kPipePrefixes.begin(), kPipePrefixes.end(),
                     [&](std::string_view prefix) { return StartsWithNoCase(path, prefix); });
}

bool NotFound(DWORD err) {
  return err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND || err == ERROR_INVALID_NAME ||
         err == ERROR_BAD_NETPATH || err == ERROR_DIRECTORY;
}

}  // namespace

FileFacts LookAt(const std::string& path) {
  FileFacts facts;
  if (!DeviceNameOf(path).empty()) {
    facts.kind = FileKind::kDevice;
    return facts;
  }
  if (IsPipeName(path)) {
    facts.kind = FileKind::kFifo;
    return facts;
  }
  const std::wstring wide = Widen(path.empty() ? std::string(".") : path);
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(wide.c_str(), GetFileExInfoStandard, &data)) {
    const DWORD err = GetLastError();
    if (NotFound(err)) return facts;
    facts.kind = FileKind::kUnknown;
    facts.reason = Win32ErrorText(err);
    return facts;
  }
  const bool folder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  facts.kind = folder ? FileKind::kFolder : FileKind::kRegular;
  if (!folder) {
    facts.size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  }
  // No access asked for: reads nothing, waits for nothing, and is not refused by a program that
  // holds the file without sharing it. FILE_FLAG_BACKUP_SEMANTICS lets it open a folder.
  HANDLE file = CreateFileW(wide.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    facts.kind = FileKind::kUnknown;
    facts.reason = Win32ErrorText(GetLastError());
    return facts;
  }
  switch (GetFileType(file)) {
    case FILE_TYPE_DISK:
      break;
    case FILE_TYPE_CHAR:
      facts.kind = FileKind::kDevice;
      break;
    case FILE_TYPE_PIPE:
      facts.kind = FileKind::kFifo;
      break;
    default:
      facts.kind = FileKind::kOther;
      break;
  }
  BY_HANDLE_FILE_INFORMATION info{};
  if (GetFileInformationByHandle(file, &info)) {
    facts.identity = {info.dwVolumeSerialNumber,
                      (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
  } else {
    facts.kind = FileKind::kUnknown;
    facts.reason = Win32ErrorText(GetLastError());
  }
  CloseHandle(file);
  return facts;
}

bool SameDevice(const std::string& a, const std::string& b) {
  const std::string device = DeviceNameOf(a);
  return !device.empty() && device == DeviceNameOf(b);
}

}  // namespace q7310
