// The Windows side of file_checks.h: the same checks and texts through the wide Win32 calls.
#include <windows.h>

#include "app/app_paths.h"
#include "app/file_checks.h"
#include "app/texts.h"
#include "util/wide_text.h"

namespace q7310 {
namespace {

std::string Explained(const std::string& path, std::string_view what) {
  return (path.empty() ? std::string(".") : path) + ": " + std::string(what);
}

bool NotFound(DWORD err) {
  return err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND || err == ERROR_INVALID_NAME;
}

}  // namespace

std::string FolderProblem(const std::string& folder, bool forWriting) {
  const std::string at = folder.empty() ? std::string(".") : folder;
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(Widen(at).c_str(), GetFileExInfoStandard, &data)) {
    const DWORD err = GetLastError();
    if (NotFound(err)) return Explained(folder, texts::kDetailNoSuchFolder);
    return Explained(folder, Win32ErrorText(err));
  }
  if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
    return Explained(folder, texts::kDetailNotAFolder);
  }
  if (!forWriting) return {};
  // A scratch file, removed when closed, answers truly for read-only media and access rules.
  const std::wstring scratch = Widen(JoinPath(at, ".q7310-write-check"));
  HANDLE file = CreateFileW(scratch.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    const DWORD err = GetLastError();
    if (err == ERROR_FILE_EXISTS) return {};  // another run's check: the folder is writable
    return Explained(
        folder, std::string(texts::kDetailFolderNotWritable) + " (" + Win32ErrorText(err) + ")");
  }
  CloseHandle(file);
  return {};
}

std::string ReadProblem(const std::string& path, uint64_t maxSize) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(Widen(path).c_str(), GetFileExInfoStandard, &data)) {
    const DWORD err = GetLastError();
    if (NotFound(err)) return Explained(path, texts::kDetailNoSuchFile);
    return Explained(path, Win32ErrorText(err));
  }
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
    return Explained(path, texts::kDetailIsAFolder);
  }
  HANDLE file = CreateFileW(Widen(path).c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return Explained(path, Win32ErrorText(GetLastError()));
  CloseHandle(file);
  const uint64_t size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  if (maxSize != 0 && size > maxSize) {
    return Explained(path, std::string(texts::kDetailLargerThanStore) + " (" +
                               std::to_string(size) + " bytes, at most " + std::to_string(maxSize) +
                               ")");
  }
  return {};
}

}  // namespace q7310
