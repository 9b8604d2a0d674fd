#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "util/folder_lock.h"

namespace q7310 {

FolderLock::~FolderLock() {
  Release();
}

FolderLock::Result FolderLock::Take(const std::string& folder, std::string* error) {
  Release();
  std::string path = folder.empty() ? "." : folder;
  if (path.back() != '/') path += '/';
  path += kFolderLockFile;
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) {
    if (error) *error = "cannot open " + path + ": " + std::strerror(errno);
    return Result::kFailed;
  }
  // flock belongs to the open file: a second open, even in this process, is refused, and the
  // kernel drops the lock when the last descriptor closes, also on a kill.
  while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (errno == EINTR) continue;
    const int err = errno;
    ::close(fd);
    if (err == EWOULDBLOCK) return Result::kBusy;
    if (error) *error = "cannot lock " + path + ": " + std::strerror(err);
    return Result::kFailed;
  }
  m_fd = fd;
  return Result::kTaken;
}

bool FolderLock::Held() const {
  return m_fd >= 0;
}

void FolderLock::Release() {
  if (m_fd < 0) return;
  ::close(m_fd);
  m_fd = -1;
}

}  // namespace q7310
