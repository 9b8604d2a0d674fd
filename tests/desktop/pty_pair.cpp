#include "pty_pair.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

namespace q7310::test {

PtyPair::PtyPair() {
  const int fd = posix_openpt(O_RDWR | O_NOCTTY);
  if (fd < 0) return;
  if (grantpt(fd) != 0 || unlockpt(fd) != 0 || ptsname(fd) == nullptr) {
    close(fd);
    return;
  }
  m_slavePath = ptsname(fd);
  m_master = fd;
}

PtyPair::~PtyPair() {
  if (m_master >= 0) close(m_master);
}

}  // namespace q7310::test
