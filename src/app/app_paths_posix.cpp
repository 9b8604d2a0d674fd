// The POSIX side of app_paths.h: the executable's path, write access, folder creation and the
// environment.
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "app/app_paths.h"

namespace q7310 {

std::string ProgramFolder() {
  std::array<char, 4096> buffer{};
  const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (n <= 0) return {};
  const std::string path(buffer.data(), static_cast<size_t>(n));
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string{} : path.substr(0, slash + 1);
}

bool FolderWritable(const std::string& folder) {
  return ::access(folder.empty() ? "." : folder.c_str(), W_OK | X_OK) == 0;
}

bool MakeFolders(const std::string& folder, std::string* error) {
  // The XDG rule: data folders the programs make are private to the user.
  constexpr mode_t kPrivate = 0700;
  for (size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
    const std::string part = folder.substr(0, slash);
    if (!part.empty() && ::mkdir(part.c_str(), kPrivate) != 0) {
      // A folder that is there already, even in a parent the user may not write, is fine.
      const int err = errno;
      struct stat st {};
      if (::stat(part.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        if (error) *error = "cannot create " + part + ": " + std::strerror(err);
        return false;
      }
    }
    if (slash == std::string::npos) break;
  }
  struct stat st {};
  if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    if (error) *error = folder + " is not a folder";
    return false;
  }
  return true;
}

std::string EnvironmentValue(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

std::string SystemDataFolder() {
  return {};
}

std::string NativePath(std::string_view path) {
  return std::string(path);
}

}  // namespace q7310
