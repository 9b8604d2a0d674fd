// The Windows side of atomic_file.h: a new file opened exclusively (CREATE_NEW through the C
// runtime), FlushFileBuffers, and MoveFileExW with write-through, replacing or not.
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

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

bool WriteAll(int fd, std::span<const uint8_t> data) {
  size_t done = 0;
  while (done < data.size()) {
    const size_t chunk = std::min<size_t>(data.size() - done, 1u << 30);
    const int n = _write(fd, data.data() + done, static_cast<unsigned>(chunk));
    if (n < 0) return false;
    done += static_cast<size_t>(n);
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
  int fd = -1;
  for (int attempt = 0; attempt < kNameAttempts && fd < 0; ++attempt) {
    tmp = path + std::string(kTemporaryInfix) + RandomSuffix();
    fd = _wopen(Widen(tmp).c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT,
                _S_IREAD | _S_IWRITE);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) {
    Fail(error, "cannot create a file beside " + path, std::strerror(errno));
    return {};
  }
  std::string reason;
  if (!WriteAll(fd, data)) reason = std::strerror(errno);
  if (reason.empty()) SyncFile(calls, fd, reason);
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
