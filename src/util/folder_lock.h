// A lock on a working folder, held for a whole run, so that two programs never work in one
// folder at the same time (one would delete or overwrite the other's files). The lock lives in a
// small file in the folder; the system releases it when the holder ends by any path, a kill
// included, so it is never left stale. The file itself stays.
#pragma once

#include <string>

namespace q7310 {

inline constexpr const char* kFolderLockFile = ".q7310.lock";

class FolderLock {
 public:
  enum class Result {
    kTaken,  // this run holds the folder
    kBusy,   // another program holds it
    kFailed  // the lock file cannot be opened (see the error)
  };

  FolderLock() = default;
  ~FolderLock();
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;

  // Tries once, without waiting, to lock `folder` (an empty folder means the current directory).
  // On kFailed `error` holds the system's reason.
  Result Take(const std::string& folder, std::string* error = nullptr);
  bool Held() const;
  // Gives the folder up; harmless when not held.
  void Release();

 private:
  int m_fd = -1;  // the lock file, open while held
};

}  // namespace q7310
