#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include "util/process_info.h"
#include "util/utf8_path.h"
#include "util/wide_text.h"

namespace q7310 {

long CurrentProcessId() {
  return static_cast<long>(GetCurrentProcessId());
}

std::FILE* OpenFile(const std::string& path, const char* mode, std::string* error) {
  const std::string m(mode);
  const bool update = m.find('+') != std::string::npos;
  DWORD access = 0;
  DWORD disposition = OPEN_EXISTING;
  int flags = m.find('b') != std::string::npos ? _O_BINARY : _O_TEXT;
  switch (m.empty() ? 'r' : m[0]) {
    case 'w':
      access = GENERIC_WRITE | (update ? GENERIC_READ : 0);
      disposition = CREATE_ALWAYS;
      flags |= update ? _O_RDWR : _O_WRONLY;
      break;
    case 'a':
      access = FILE_APPEND_DATA | (update ? GENERIC_READ : 0);
      disposition = OPEN_ALWAYS;
      flags |= _O_APPEND | (update ? _O_RDWR : _O_WRONLY);
      break;
    default:
      access = GENERIC_READ | (update ? GENERIC_WRITE : 0);
      flags |= update ? _O_RDWR : _O_RDONLY;
      break;
  }
  // Shared for reading, writing and deleting, as a POSIX file is: a file open here may still be
  // replaced by a rename (a new UPDATE.BIN while an old one is being sent) or removed.
  HANDLE file = CreateFileW(Widen(path).c_str(), access,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    if (error) *error = Win32ErrorText(GetLastError());  // the system's own words
    return nullptr;
  }
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(file), flags);
  if (fd < 0) {
    CloseHandle(file);
    if (error) *error = std::strerror(EIO);
    return nullptr;
  }
  std::string crtMode;
  for (char c : m) {
    if (c != 'e') crtMode += c;
  }
  std::FILE* stream = _fdopen(fd, crtMode.c_str());
  if (stream == nullptr) {
    if (error) *error = std::strerror(errno);
    _close(fd);
  }
  return stream;
}

std::string TemporaryFolder() {
  std::error_code ec;
  const std::filesystem::path folder = std::filesystem::temp_directory_path(ec);
  return ec ? std::string(".") : Utf8String(folder);
}

bool IsTerminal(std::FILE* stream) {
  return _isatty(_fileno(stream)) != 0;
}

}  // namespace q7310
