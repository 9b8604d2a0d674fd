// The Windows side of input_file.h: CreateFileW shared as a POSIX file is (so that the file may
// be replaced or removed while read), then GetFileType on the handle: only a disk file is read.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include "util/input_file.h"
#include "util/wide_text.h"

namespace q7310 {

std::FILE* OpenRegularFile(const std::string& path, FileFacts& opened, std::string& reason) {
  HANDLE handle = CreateFileW(Widen(path).c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    reason = Win32ErrorText(GetLastError());
    return nullptr;
  }
  const DWORD type = GetFileType(handle);
  if (type != FILE_TYPE_DISK) {
    opened.kind = type == FILE_TYPE_CHAR   ? FileKind::kDevice
                  : type == FILE_TYPE_PIPE ? FileKind::kFifo
                                           : FileKind::kOther;
    CloseHandle(handle);
    return nullptr;
  }
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(handle, &info)) {
    reason = Win32ErrorText(GetLastError());
    CloseHandle(handle);
    return nullptr;
  }
  if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
    opened.kind = FileKind::kFolder;
    CloseHandle(handle);
    return nullptr;
  }
  opened.kind = FileKind::kRegular;
  opened.identity = {info.dwVolumeSerialNumber,
                     (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
  opened.size = (static_cast<uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  // A C runtime descriptor owns the handle from here on: fclose closes both.
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDONLY | _O_BINARY);
  if (fd < 0) {
    CloseHandle(handle);
    reason = "cannot open the file";
    return nullptr;
  }
  std::FILE* file = _fdopen(fd, "rb");
  if (file == nullptr) {
    reason = "cannot open the file";
    _close(fd);
  }
  return file;
}

}  // namespace q7310
