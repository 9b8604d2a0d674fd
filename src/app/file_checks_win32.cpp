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

}  // namespace q7310
