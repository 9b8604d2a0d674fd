#include "app/output_target.h"

#include <algorithm>
#include <filesystem>

#include "app/texts.h"
#include "app/work_folder.h"
#include "backup/backup_history.h"
#include "util/atomic_file.h"
#include "util/file_identity.h"
#include "util/input_file.h"
#include "util/path_join.h"
#include "util/utf8_path.h"

namespace q7310 {
namespace {

namespace fs = std::filesystem;

// Whether `out` is one of the files the program keeps in the folder `out` is in: a BACKUP.BIN,
// a firmware file or an UPDATE.BIN there, or anything in a history folder.
bool ProgramFileWhereItIs(const std::string& out) {
  fs::path folder = Utf8Path(out).parent_path();
  if (folder.empty()) folder = ".";
  if (IsProgramFile(Utf8String(folder), out)) return true;
  const fs::path above = folder.parent_path();
  return SameName(Utf8String(folder.filename()), kHistoryFolder) &&
         IsProgramFile(Utf8String(above.empty() ? fs::path(".") : above), out);
}

}  // namespace

std::string TraceTargetProblem(const std::string& folder, const std::string& trace,
                               const std::string& device) {
  // Asked first, by name on Windows: looking at "COM5" as a file would open the port.
  if (SameDevice(trace, device)) return FormatText(texts::kFmtTraceIsSerialDevice, trace);
  if (IsProgramFile(folder, trace)) return FormatText(texts::kFmtTraceIsOwnFile, trace);
  return {};
}

std::string StageTargetProblem(const std::vector<std::string>& folders, const std::string& input,
                               const std::string& out, bool replace) {
  const FileFacts target = LookAt(out);
  if (target.kind == FileKind::kUnknown) {
    return FormatText(texts::kFmtStageNotAFile, out) + target.reason;
  }
  if (target.Exists() && target.kind != FileKind::kRegular) {
    return FormatText(texts::kFmtStageNotAFile, out) + std::string(KindRefusalText(target.kind));
  }
  if (SameFile(target, LookAt(input))) return FormatText(texts::kFmtStageIsInput, out);
  const bool inAFolder = std::any_of(folders.begin(), folders.end(),
                                     [&](const std::string& f) { return IsProgramFile(f, out); });
  if (inAFolder || ProgramFileWhereItIs(out)) {
    return FormatText(texts::kFmtStageIsOwnFile, out);
  }
  if (target.Exists() && !replace) return FormatText(texts::kFmtStageExists, out);
  return {};
}

std::string StagePath(const std::string& out) {
  std::error_code ec;
  if (!fs::is_symlink(Utf8Path(out), ec)) return out;
  const fs::path target = fs::weakly_canonical(Utf8Path(out), ec);
  return ec ? out : Utf8String(target);
}

bool PlaceStagedImage(const std::string& staged, const std::string& out, bool replace,
                      std::string* error) {
  const std::string path = StagePath(out);
  std::string reason;
  if (replace) {
    if (MoveIntoPlace(staged, path, &reason)) return true;
  } else {
    switch (MoveIntoPlaceWithoutReplacing(staged, path, &reason)) {
      case MoveResult::kMoved:
        SyncFolderOf(path);
        return true;
      case MoveResult::kNameTaken:
        if (error) *error = FormatText(texts::kFmtStageExists, out);
        return false;
      case MoveResult::kFailed:
        break;
    }
  }
  if (error) *error = "cannot write " + path + ": " + reason;
  return false;
}

}  // namespace q7310
