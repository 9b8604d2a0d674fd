// The Windows side of atomic_file.h: a new file opened exclusively (CreateFileW, CREATE_NEW),
// WriteFile, FlushFileBuffers, and MoveFileExW with write-through, replacing or not. Every
// failure gives the system's own reason (FormatMessageW).
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <random>

#include "util/atomic_file.h"
#include "util/wide_text.h"

namespace q7310 {
namespace {

constexpr int kNameAttempts = 100;
constexpr char kNameCharacters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";

bool Fail(std::string* error, const std::string& what, const std::string& reason) {
  if (error) *error = what + ": " + reason;
  return false;
}

std::string RandomSuffix() {
  static thread_local std::mt19937 engine{std::random_device{}()};
  std::uniform_int_distribution<size_t> pick(0, sizeof kNameCharacters - 2);
  std::string suffix(6, ' ');
  for (char& c : suffix) c = kNameCharacters[pick(engine)];
  return suffix;
}

// Writes all of `data` to the file; false with the system's reason (a full disk says so, where
// the C runtime's _write would say "Invalid argument" under Wine).
bool WriteAll(HANDLE file, std::span<const uint8_t> data, std::string& reason) {
  size_t done = 0;
  while (done < data.size()) {
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(data.size() - done, 1u << 30));
    DWORD written = 0;
    if (!WriteFile(file, data.data() + done, chunk, &written, nullptr)) {
      reason = Win32ErrorText(GetLastError());
      return false;
    }
    done += written;
  }
  return true;
}

// 0 on success; otherwise the reason is in `reason`.
int SyncFile(const FileSyncCalls& calls, int fd, std::string& reason) {
  if (calls.fsync) {
    const int r = calls.fsync(fd);
    if (r != 0) reason = std::strerror(errno);
    return r;
  }
  if (FlushFileBuffers(reinterpret_cast<HANDLE>(_get_osfhandle(fd)))) return 0;
  reason = Win32ErrorText(GetLastError());
  return -1;
}

int RenameFile(const FileSyncCalls& calls, const std::string& from, const std::string& to,
               std::string& reason) {
  if (calls.rename) {
    const int r = calls.rename(from.c_str(), to.c_str());
    if (r != 0) reason = std::strerror(errno);
    return r;
  }
  if (MoveFileExW(Widen(from).c_str(), Widen(to).c_str(),
                  MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return 0;
  }
  reason = Win32ErrorText(GetLastError());
  return -1;
}

}  // namespace

std::string WriteTemporaryFile(const std::string& path, std::span<const uint8_t> data,
                               std::string* error, const FileSyncCalls& calls) {
  std::string tmp;
  HANDLE file = INVALID_HANDLE_VALUE;
  DWORD createError = ERROR_SUCCESS;
  for (int attempt = 0; attempt < kNameAttempts && file == INVALID_HANDLE_VALUE; ++attempt) {
    tmp = path + std::string(kTemporaryInfix) + RandomSuffix();
    file = CreateFileW(Widen(tmp).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) break;
    createError = GetLastError();
    if (createError != ERROR_FILE_EXISTS && createError != ERROR_ALREADY_EXISTS) break;
  }
  if (file == INVALID_HANDLE_VALUE) {
    Fail(error, "cannot create a file beside " + path, Win32ErrorText(createError));
    return {};
  }
  // A C runtime descriptor owns the handle from here on (the sync hook of the tests takes one);
  // _close closes both.
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(file), _O_WRONLY | _O_BINARY);
  if (fd < 0) {
    CloseHandle(file);
    RemoveFile(tmp);
    Fail(error, "cannot write " + path, std::strerror(errno));
    return {};
  }
  std::string reason;
  if (WriteAll(file, data, reason)) SyncFile(calls, fd, reason);
  if (_close(fd) != 0 && reason.empty()) reason = std::strerror(errno);
  if (!reason.empty()) {
    RemoveFile(tmp);
    Fail(error, "cannot write " + path, reason);
    return {};
  }
  return tmp;
}

bool WriteFileAtomically(const std::string& path, std::span<const uint8_t> data, std::string* error,
                         const FileSyncCalls& calls) {
  const std::string tmp = WriteTemporaryFile(path, data, error, calls);
  if (tmp.empty()) return false;
  std::string reason;
  if (RenameFile(calls, tmp, path, reason) != 0) {
    RemoveFile(tmp);
    return Fail(error, "cannot replace " + path, reason);
  }
  return true;
}

bool MoveIntoPlace(const std::string& tmp, const std::string& path, std::string* reason) {
  std::string why;
  if (RenameFile({}, tmp, path, why) == 0) return true;
  if (reason) *reason = why;
  return false;
}

MoveResult MoveIntoPlaceWithoutReplacing(const std::string& tmp, const std::string& path,
                                         std::string* reason) {
  if (MoveFileExW(Widen(tmp).c_str(), Widen(path).c_str(), MOVEFILE_WRITE_THROUGH)) {
    return MoveResult::kMoved;
  }
  const DWORD code = GetLastError();
  if (code == ERROR_ALREADY_EXISTS || code == ERROR_FILE_EXISTS) return MoveResult::kNameTaken;
  if (reason) *reason = Win32ErrorText(code);
  return MoveResult::kFailed;
}

void RemoveFile(const std::string& path) {
  DeleteFileW(Widen(path).c_str());
}

void SyncFolderOf(const std::string&) {
  // MOVEFILE_WRITE_THROUGH has made the rename durable already; Windows has no folder flush.
}

}  // namespace q7310
