// FileFacts from a struct stat: shared by the POSIX files that look at files by path (stat) and
// by open descriptor (fstat). POSIX only.
#pragma once

#include <sys/stat.h>

#include "util/file_identity.h"

namespace q7310 {

inline FileFacts FactsFromStat(const struct stat& st) {
  FileFacts facts;
  const mode_t mode = st.st_mode;
  facts.kind = S_ISREG(mode)                    ? FileKind::kRegular
               : S_ISDIR(mode)                  ? FileKind::kFolder
               : S_ISFIFO(mode)                 ? FileKind::kFifo
               : S_ISCHR(mode) || S_ISBLK(mode) ? FileKind::kDevice
               : S_ISSOCK(mode)                 ? FileKind::kSocket
                                                : FileKind::kOther;
  facts.identity = {static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)};
  if (facts.kind == FileKind::kRegular) facts.size = static_cast<uint64_t>(st.st_size);
  if (facts.kind == FileKind::kDevice) facts.deviceNumber = static_cast<uint64_t>(st.st_rdev);
  return facts;
}

}  // namespace q7310
