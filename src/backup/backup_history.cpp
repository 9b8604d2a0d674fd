#include "backup/backup_history.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "util/atomic_file.h"

namespace q7310 {
namespace {

constexpr int kMaxSameSecondCopies = 100;

std::string NumberedName(const std::string& base, int n) {
  if (n == 1) return base + ".BIN";
  return base + "-" + std::to_string(n) + ".BIN";
}

}  // namespace

std::string HistoryFileName(std::time_t when) {
  std::tm tm{};
  localtime_r(&when, &tm);
  char name[40];
  std::strftime(name, sizeof name, "BACKUP-%Y%m%d-%H%M%S.BIN", &tm);
  return name;
}

std::string SaveHistoryCopy(const std::string& folder, std::span<const uint8_t> data,
                            std::time_t when, std::string* error) {
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (ec) {
    if (error) *error = "cannot create " + folder + ": " + ec.message();
    return {};
  }
  std::string base = HistoryFileName(when);
  base.resize(base.size() - 4);  // without ".BIN"
  for (int n = 1; n <= kMaxSameSecondCopies; ++n) {
    const std::string path = folder + "/" + NumberedName(base, n);
    // Claim the name first, so that a copy of the same second is never replaced.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      if (error) *error = "cannot create " + path + ": " + std::strerror(errno);
      return {};
    }
    ::close(fd);
    if (!WriteFileAtomically(path, data, error)) {
      ::unlink(path.c_str());
      return {};
    }
    return path;
  }
  if (error) *error = "too many copies made in the same second in " + folder;
  return {};
}

}  // namespace q7310
