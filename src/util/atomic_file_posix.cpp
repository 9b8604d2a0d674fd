// The POSIX side of atomic_file.h: mkstemp, fsync, rename and renameat2.
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "util/atomic_file.h"

namespace q7310 {
namespace {

std::string FolderOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

bool Fail(std::string* error, const std::string& what, int err) {
  if (error) *error = what + ": " + std::strerror(err);
  return false;
}

bool WriteAll(int fd, std::span<const uint8_t> data) {
  size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

int SyncFile(const FileSyncCalls& calls, int fd) {
  return calls.fsync ? calls.fsync(fd) : ::fsync(fd);
}

int RenameFile(const FileSyncCalls& calls, const char* from, const char* to) {
  return calls.rename ? calls.rename(from, to) : ::rename(from, to);
}

}  // namespace

std::string WriteTemporaryFile(const std::string& path, std::span<const uint8_t> data,
                               std::string* error, const FileSyncCalls& calls) {
  const std::string tmpl = path + std::string(kTemporaryInfix) + "XXXXXX";
  std::vector<char> name(tmpl.begin(), tmpl.end());
  name.push_back('\0');
  const int fd = ::mkstemp(name.data());
  if (fd < 0) {
    Fail(error, "cannot create a file beside " + path, errno);
    return {};
  }
  const std::string tmp(name.data());
  // mkstemp makes the file readable by its owner only; give it the usual permissions.
  if (!WriteAll(fd, data) || SyncFile(calls, fd) != 0 || ::fchmod(fd, 0644) != 0) {
    const int err = errno;
    ::close(fd);
    ::unlink(tmp.c_str());
    Fail(error, "cannot write " + path, err);
    return {};
  }
  if (::close(fd) != 0) {
    const int err = errno;
    ::unlink(tmp.c_str());
    Fail(error, "cannot write " + path, err);
    return {};
  }
  return tmp;
}

bool WriteFileAtomically(const std::string& path, std::span<const uint8_t> data, std::string* error,
                         const FileSyncCalls& calls) {
  const std::string tmp = WriteTemporaryFile(path, data, error, calls);
  if (tmp.empty()) return false;
  if (RenameFile(calls, tmp.c_str(), path.c_str()) != 0) {
    const int err = errno;
    ::unlink(tmp.c_str());
    return Fail(error, "cannot replace " + path, err);
  }
  SyncFolderOf(path);
  return true;
}

bool MoveIntoPlace(const std::string& tmp, const std::string& path, std::string* reason) {
  if (::rename(tmp.c_str(), path.c_str()) != 0) {
    if (reason) *reason = std::strerror(errno);
    return false;
  }
  SyncFolderOf(path);
  return true;
}

MoveResult MoveIntoPlaceWithoutReplacing(const std::string& tmp, const std::string& path,
                                         std::string* reason) {
  const auto failed = [reason](int err) {
    if (err == EEXIST) return MoveResult::kNameTaken;
    if (reason) *reason = std::strerror(err);
    return MoveResult::kFailed;
  };
  if (::renameat2(AT_FDCWD, tmp.c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE) == 0) {
    return MoveResult::kMoved;
  }
  if (errno != EINVAL && errno != ENOSYS) return failed(errno);
  // A file system without the no-replace rename: a hard link fails on an existing name too.
  if (::link(tmp.c_str(), path.c_str()) != 0) return failed(errno);
  ::unlink(tmp.c_str());
  return MoveResult::kMoved;
}

void RemoveFile(const std::string& path) {
  ::unlink(path.c_str());
}

void SyncFolderOf(const std::string& path) {
  const int dir = ::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
}

}  // namespace q7310
