// The Windows side of app_paths.h: the executable's path, write access, folder creation and the
// environment, all through the wide calls. Paths go back to the shared code in UTF-8 with '/'
// between folders, which Windows takes as well as '\'.
#include <windows.h>

#include <string>

#include "app/app_paths.h"
#include "util/wide_text.h"

namespace q7310 {
namespace {

std::string WithForwardSlashes(std::string path) {
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  return path;
}

bool IsFolder(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

std::string ProgramFolder() {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return {};
    if (n < buffer.size()) {
      buffer.resize(n);
      break;
    }
    buffer.resize(buffer.size() * 2);  // a long path: try again with room for it
  }
  const std::string path = WithForwardSlashes(Narrow(buffer));
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string{} : path.substr(0, slash + 1);
}

bool FolderWritable(const std::string& folder) {
  // Access rights on Windows are too many to compute: try to create a file there.
  const std::wstring probe = Widen(JoinPath(folder.empty() ? "." : folder, ".q7310-write-test"));
  HANDLE file = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (file == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_EXISTS;
  CloseHandle(file);
  return true;
}

bool MakeFolders(const std::string& folder, std::string* error) {
  const std::string path = WithForwardSlashes(folder);
  // Skip a drive ("C:/") or a share ("//server/share/") at the start: those are not made.
  size_t start = 1;
  if (path.size() > 2 && path[1] == ':') start = 3;
  for (size_t slash = path.find('/', start);; slash = path.find('/', slash + 1)) {
    const std::string part = path.substr(0, slash);
    if (!part.empty() && !CreateDirectoryW(Widen(part).c_str(), nullptr)) {
      const DWORD err = GetLastError();
      if (err != ERROR_ALREADY_EXISTS && !IsFolder(Widen(part))) {
        if (error) *error = "cannot create " + part + ": " + Win32ErrorText(err);
        return false;
      }
    }
    if (slash == std::string::npos) break;
  }
  if (!IsFolder(Widen(path))) {
    if (error) *error = folder + " is not a folder";
    return false;
  }
  return true;
}

std::string EnvironmentValue(const char* name) {
  const std::wstring wideName = Widen(name);
  const DWORD n = GetEnvironmentVariableW(wideName.c_str(), nullptr, 0);
  if (n == 0) return {};
  std::wstring value(n, L'\0');
  const DWORD got = GetEnvironmentVariableW(wideName.c_str(), value.data(), n);
  value.resize(got);
  return Narrow(value);
}

std::string SystemDataFolder() {
  return WithForwardSlashes(EnvironmentValue("LOCALAPPDATA"));
}

std::string NativePath(std::string_view path) {
  std::string native(path);
  for (char& c : native) {
    if (c == '/') c = '\\';
  }
  return native;
}

}  // namespace q7310
