#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "util/folder_lock.h"
#include "util/input_file.h"
#include "util/path_join.h"
#include "util/stat_facts_posix.h"

namespace q7310 {

FolderLock::~FolderLock() {
  Release();
}

FolderLock::Result FolderLock::Take(const std::string& folder, std::string* error) {
  Release();
  const std::string path = JoinPath(folder.empty() ? "." : folder, kFolderLockFile);
  // Never waits at the open (O_NONBLOCK: a FIFO put in the lock file's place).
  constexpr int kFlags = O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | kFlags, 0644);
  if (fd < 0 && (errno == EROFS || errno == EACCES)) {
    // A folder this run may not write: a lock file that is there can still be locked for reading.
    const int err = errno;
    fd = ::open(path.c_str(), O_RDONLY | kFlags);
    if (fd < 0 && errno == ENOENT) errno = err;  // none there: the first open's reason stands
  }
  if (fd < 0) {
    if (error) *error = "cannot open " + path + ": " + std::strerror(errno);
    return Result::kFailed;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    const FileKind kind = FactsFromStat(st).kind;
    ::close(fd);
    if (error) *error = "cannot lock " + path + ": it " + std::string(KindRefusalText(kind));
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
