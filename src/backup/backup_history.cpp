#include "backup/backup_history.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>
#include <vector>

#include "backup/backup_file_info.h"
#include "backup/settings_backup.h"
#include "util/atomic_file.h"
#include "util/input_file.h"
#include "util/local_time.h"
#include "util/path_join.h"
#include "util/utf8_path.h"

namespace q7310 {
namespace {

constexpr int kMaxSameSecondCopies = 100;
constexpr std::string_view kHistoryPrefix = "BACKUP-";
constexpr std::string_view kHistorySuffix = ".BIN";
// "YYYYMMDD-HHMMSS" after the prefix.
constexpr size_t kStampSize = 15;
constexpr size_t kStampDash = 8;

std::string NumberedName(const std::string& base, int n) {
  if (n == 1) return base + std::string(kHistorySuffix);
  return base + "-" + std::to_string(n) + std::string(kHistorySuffix);
}

bool AllDigits(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
  });
}

// The order of the copies in time: the stamp in the name, then the same-second suffix (none
// comes first), so that "-2" is newer than the copy without one although it sorts before it.
struct CopyAge {
  std::string stamp;
  unsigned long suffix = 1;
  bool operator<(const CopyAge& other) const {
    return stamp != other.stamp ? stamp < other.stamp : suffix < other.suffix;
  }
};

CopyAge AgeOf(std::string_view name) {
  CopyAge age;
  age.stamp = std::string(name.substr(kHistoryPrefix.size(), kStampSize));
  const std::string_view rest = name.substr(kHistoryPrefix.size() + kStampSize);
  if (rest.size() > kHistorySuffix.size()) {
    age.suffix = std::stoul(std::string(rest.substr(1, rest.size() - 1 - kHistorySuffix.size())));
  }
  return age;
}

// The regular files of `folder` with a dated copy's name; empty when it cannot be read.
std::vector<std::filesystem::path> HistoryFiles(const std::string& folder) {
  std::vector<std::filesystem::path> files;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(Utf8Path(folder), ec), end; !ec && it != end;
       it.increment(ec)) {
    std::error_code kind;
    if (it->is_regular_file(kind) && IsHistoryFileName(Utf8String(it->path().filename()))) {
      files.push_back(it->path());
    }
  }
  return files;
}

// Whether the file at `path` holds exactly `data`.
bool HoldsExactly(const std::string& path, std::span<const uint8_t> data) {
  std::vector<uint8_t> bytes;
  std::string error;
  return ReadInputFile(path, CSettingsBackup::kBufferSize, bytes, &error) &&
         std::equal(bytes.begin(), bytes.end(), data.begin(), data.end());
}

}  // namespace

std::string HistoryFileName(std::time_t when) {
  const std::tm tm = LocalTime(when);
  char name[40];
  std::strftime(name, sizeof name, "BACKUP-%Y%m%d-%H%M%S.BIN", &tm);
  return name;
}

std::string SaveHistoryCopy(const std::string& folder, std::span<const uint8_t> data,
                            std::time_t when, std::string* error) {
  std::error_code ec;
  std::filesystem::create_directories(Utf8Path(folder), ec);
  if (ec) {
    if (error) *error = "cannot create " + folder + ": " + ec.message();
    return {};
  }
  std::string base = HistoryFileName(when);
  base.resize(base.size() - 4);  // without ".BIN"
  // The copy is written whole and flushed under a temporary name first, so that no real name
  // ever holds an empty or partial copy, then moved to the first free numbered name.
  const std::string tmp = WriteTemporaryFile(JoinPath(folder, NumberedName(base, 1)), data, error);
  if (tmp.empty()) return {};
  for (int n = 1; n <= kMaxSameSecondCopies; ++n) {
    const std::string path = JoinPath(folder, NumberedName(base, n));
    std::string reason;
    const MoveResult moved = MoveIntoPlaceWithoutReplacing(tmp, path, &reason);
    if (moved == MoveResult::kNameTaken) continue;
    if (moved == MoveResult::kFailed) {
      RemoveFile(tmp);
      if (error) *error = "cannot create " + path + ": " + reason;
      return {};
    }
    SyncFolderOf(path);
    return path;
  }
  RemoveFile(tmp);
  if (error) *error = "too many copies made in the same second in " + folder;
  return {};
}

bool IsHistoryFileName(std::string_view name) {
  const size_t fixed = kHistoryPrefix.size() + kStampSize + kHistorySuffix.size();
  if (name.size() < fixed || name.substr(0, kHistoryPrefix.size()) != kHistoryPrefix ||
      name.substr(name.size() - kHistorySuffix.size()) != kHistorySuffix) {
    return false;
  }
  const std::string_view stamp = name.substr(kHistoryPrefix.size(), kStampSize);
  if (!AllDigits(stamp.substr(0, kStampDash)) || stamp[kStampDash] != '-' ||
      !AllDigits(stamp.substr(kStampDash + 1))) {
    return false;
  }
  const std::string_view suffix =
      name.substr(kHistoryPrefix.size() + kStampSize, name.size() - fixed);
  constexpr size_t kMaxSuffixDigits = 4;
  return suffix.empty() ||
         (suffix.size() <= kMaxSuffixDigits + 1 && suffix[0] == '-' && AllDigits(suffix.substr(1)));
}

std::string FindHistoryCopyHolding(const std::string& folder, std::span<const uint8_t> data,
                                   const std::string& first) {
  if (!first.empty() && HoldsExactly(first, data)) return first;
  for (const std::filesystem::path& file : HistoryFiles(folder)) {
    std::error_code ec;
    // Most copies differ in size from the backup looked for; those are never read.
    if (std::filesystem::file_size(file, ec) != data.size() || ec) continue;
    const std::string path = JoinPath(folder, Utf8String(file.filename()));
    if (HoldsExactly(path, data)) return path;
  }
  return {};
}

std::string NewestHistoryCopy(const std::string& folder) {
  std::vector<std::pair<CopyAge, std::string>> copies;
  for (const std::filesystem::path& file : HistoryFiles(folder)) {
    const std::string name = Utf8String(file.filename());
    copies.emplace_back(AgeOf(name), name);
  }
  std::sort(copies.begin(), copies.end());
  // The newest first; a copy damaged since it was written is passed over.
  for (auto it = copies.rbegin(); it != copies.rend(); ++it) {
    const std::string path = JoinPath(folder, it->second);
    if (InspectBackupFile(path).problem == BackupFileProblem::kNone) return path;
  }
  return {};
}

}  // namespace q7310
