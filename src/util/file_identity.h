// What a path leads to, told by the system rather than by the path's spelling: whether it is a
// regular file, a folder, a FIFO or a device, and which file it is. Two paths name one file when
// their identities are equal, whatever leads there: links, "..", hard links, and on Windows
// another letter case or the other separator. POSIX: the device and inode numbers; Windows: the
// volume serial number and file index of GetFileInformationByHandle. One file per OS:
// file_identity_posix.cpp, file_identity_win32.cpp.
#pragma once

#include <cstdint>
#include <string>

namespace q7310 {

// The identity of one file or folder on one system at one time.
struct FileIdentity {
  uint64_t volume = 0;  // st_dev; the volume serial number
  uint64_t index = 0;   // st_ino; the file index
  bool operator==(const FileIdentity&) const = default;
};

enum class FileKind {
  kMissing,  // nothing there (or a link that leads nowhere)
  kRegular,
  kFolder,
  kFifo,    // a FIFO or a pipe
  kDevice,  // a character or block device (a serial port, /dev/zero, a console)
  kSocket,
  kOther,
  kUnknown,  // the system would not say (see the reason)
};

struct FileFacts {
  FileKind kind = FileKind::kMissing;
  FileIdentity identity;  // set for every kind but kMissing and kUnknown
  uint64_t size = 0;      // of a regular file
  // The device that a device node stands for (st_rdev), so that two nodes of one device compare
  // equal; 0 elsewhere.
  uint64_t deviceNumber = 0;
  std::string reason;  // the system's reason, for kUnknown
  bool Exists() const { return kind != FileKind::kMissing && kind != FileKind::kUnknown; }
};

// What `path` leads to, links followed. Never opens a device or a FIFO for reading or writing:
// looking is safe on any path.
FileFacts LookAt(const std::string& path);

// Whether `a` and `b` are one existing file or folder.
bool SameFile(const FileFacts& a, const FileFacts& b);

// Whether the paths `a` and `b` reach one serial or other device: on POSIX the same device
// node or two nodes of one device; on Windows the same device name ("COM5", "\\.\com5").
bool SameDevice(const std::string& a, const std::string& b);

}  // namespace q7310
