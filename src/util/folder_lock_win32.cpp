// The Windows side of folder_lock.h: the lock file is opened without sharing, so a second open,
// by this or any other process, is refused until the holder closes it or ends.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include "util/folder_lock.h"
#include "util/path_join.h"
#include "util/wide_text.h"

namespace q7310 {

FolderLock::~FolderLock() {
  Release();
}

FolderLock::Result FolderLock::Take(const std::string& folder, std::string* error) {
  Release();
  const std::string path = JoinPath(folder.empty() ? "." : folder, kFolderLockFile);
  HANDLE file = CreateFileW(Widen(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    const DWORD err = GetLastError();
    if (err == ERROR_SHARING_VIOLATION || err == ERROR_LOCK_VIOLATION) return Result::kBusy;
    if (error) *error = "cannot open " + path + ": " + Win32ErrorText(err);
    return Result::kFailed;
  }
  // A C runtime descriptor owns the handle from here on: _close closes both.
  m_fd = _open_osfhandle(reinterpret_cast<intptr_t>(file), _O_RDWR);
  if (m_fd < 0) {
    CloseHandle(file);
    if (error) *error = "cannot lock " + path;
    return Result::kFailed;
  }
  return Result::kTaken;
}

bool FolderLock::Held() const {
  return m_fd >= 0;
}

void FolderLock::Release() {
  if (m_fd < 0) return;
  _close(m_fd);
  m_fd = -1;
}

}  // namespace q7310
