#include "app/work_folder.h"

#include <cstdio>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "app/file_checks.h"
#include "app/texts.h"
#include "backup/backup_history.h"
#include "util/atomic_file.h"
#include "util/utf8_path.h"

namespace q7310 {
namespace {

namespace fs = std::filesystem;

fs::path FolderPath(const std::string& folder) {
  return folder.empty() ? fs::path(".") : Utf8Path(folder);
}

// The canonical form of a path whose last parts may not exist yet; empty when it cannot be
// worked out.
fs::path Canonical(const fs::path& path) {
  std::error_code ec;
  fs::path result = fs::weakly_canonical(fs::absolute(path, ec), ec);
  return ec ? fs::path() : result;
}

bool IsUnder(const fs::path& path, const fs::path& folder) {
  auto p = path.begin();
  for (auto f = folder.begin(); f != folder.end(); ++f, ++p) {
    if (f->empty()) continue;  // a trailing separator
    if (p == path.end() || *p != *f) return false;
  }
  return true;
}

// The temporary files of the safe writes in `folder`, and with `writeChecks` the scratch files
// of the folder's write check.
void AddTemporaries(const fs::path& folder, bool writeChecks, std::vector<std::string>& found) {
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = Utf8String(it->path().filename());
    const bool left = IsTemporaryFileName(name) || (writeChecks && IsWriteCheckName(name));
    if (left && it->is_regular_file(ec)) {
      found.push_back(Utf8String(it->path()));
    }
  }
}

}  // namespace

FolderLock::Result ClaimWorkFolder(const std::string& folder, FolderLock& lock,
                                   std::string* error) {
  const FolderLock::Result result = lock.Take(folder, error);
  if (result == FolderLock::Result::kTaken) RemoveLeftTemporaries(folder);
  return result;
}

std::vector<std::string> LeftTemporaries(const std::string& folder) {
  std::vector<std::string> found;
  AddTemporaries(FolderPath(folder), true, found);
  AddTemporaries(FolderPath(folder) / kHistoryFolder, false, found);
  return found;
}

std::vector<std::string> RemoveLeftTemporaries(const std::string& folder) {
  std::vector<std::string> removed;
  for (const std::string& path : LeftTemporaries(folder)) {
    std::error_code ec;
    if (fs::remove(Utf8Path(path), ec)) removed.push_back(path);
  }
  return removed;
}

bool IsProgramFile(const std::string& folder, const std::string& path) {
  const fs::path target = Canonical(Utf8Path(path));
  if (target.empty()) return false;
  const fs::path base = FolderPath(folder);
  for (std::string_view name : {texts::kFirmwareFile, texts::kBackupFile, texts::kUpdateFile,
                                std::string_view(kFolderLockFile)}) {
    const fs::path own = base / fs::path(std::string(name));
    if (Canonical(own) == target) return true;
    // Another name for the same file (a hard link).
    std::error_code ec;
    if (fs::equivalent(own, Utf8Path(path), ec)) return true;
  }
  const fs::path history = Canonical(base / kHistoryFolder);
  return !history.empty() && IsUnder(target, history);
}

std::string FormatText(const char* format, const std::string& argument) {
  const int n = std::snprintf(nullptr, 0, format, argument.c_str());
  if (n <= 0) return format;
  std::string text(static_cast<size_t>(n) + 1, '\0');
  std::snprintf(text.data(), text.size(), format, argument.c_str());
  text.resize(static_cast<size_t>(n));
  return text;
}

}  // namespace q7310
