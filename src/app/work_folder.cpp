#include "app/work_folder.h"

#include <cstdio>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "app/file_checks.h"
#include "app/texts.h"
#include "backup/backup_history.h"
#include "util/atomic_file.h"
#include "util/file_identity.h"
#include "util/path_join.h"
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

// Whether `path` is `folder` or lies inside it, part by part under the OS's rule for names.
bool IsUnder(const fs::path& path, const fs::path& folder) {
  auto p = path.begin();
  for (auto f = folder.begin(); f != folder.end(); ++f, ++p) {
    if (f->empty()) continue;  // a trailing separator
    if (p == path.end() || !SameName(Utf8String(*p), Utf8String(*f))) return false;
  }
  return true;
}

// Whether the folder `folder` (canonical) is `history` or lies inside it, by identity: another
// spelling, a link or a bind mount of the history folder counts as well.
bool InsideFolder(const fs::path& folder, const FileFacts& history) {
  for (fs::path at = folder; !at.empty(); at = at.parent_path()) {
    if (SameFile(LookAt(Utf8String(at)), history)) return true;
    if (at == at.parent_path()) break;
  }
  return false;
}

// Whether `target` (an existing regular file) is another name of a file under `history`.
bool HardLinkUnder(const FileFacts& target, const fs::path& history) {
  std::error_code ec;
  for (fs::recursive_directory_iterator it(history, ec), end; !ec && it != end; it.increment(ec)) {
    if (SameFile(target, LookAt(Utf8String(it->path())))) return true;
  }
  return false;
}

const std::string_view kOwnNames[] = {texts::kFirmwareFile, texts::kBackupFile, texts::kUpdateFile,
                                      kFolderLockFile};

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
  const fs::path base = FolderPath(folder);
  const std::string history = Utf8String(base / kHistoryFolder);
  const FileFacts historyFacts = LookAt(history);
  const FileFacts target = LookAt(path);
  if (target.Exists()) {
    for (std::string_view name : kOwnNames) {
      if (SameFile(target, LookAt(JoinPath(folder, name)))) return true;
    }
    const fs::path resolved = Canonical(Utf8Path(path));
    if (!resolved.empty() && InsideFolder(resolved, historyFacts)) return true;
    return target.kind == FileKind::kRegular && HardLinkUnder(target, Utf8Path(history));
  }
  // Not there yet (or not to be looked at): the file it would become is judged by the folder it
  // would be made in, where a link leads.
  const fs::path resolved = Canonical(Utf8Path(path));
  if (resolved.empty()) return false;
  const fs::path parent = resolved.parent_path();
  const std::string name = Utf8String(resolved.filename());
  if (SameFile(LookAt(Utf8String(parent)), LookAt(Utf8String(base)))) {
    for (std::string_view own : kOwnNames) {
      if (SameName(name, own)) return true;
    }
  }
  if (historyFacts.Exists()) return InsideFolder(parent, historyFacts);
  // No history folder yet: its would-be path.
  const fs::path historyPath = Canonical(Utf8Path(history));
  return !historyPath.empty() && IsUnder(resolved, historyPath);
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
