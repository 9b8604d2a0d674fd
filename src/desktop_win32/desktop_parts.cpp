#include "desktop_win32/desktop_parts.h"

#include "app/app_paths.h"
#include "app/file_checks.h"
#include "app/texts.h"
#include "app/work_folder.h"

namespace q7310::win32 {

std::string PrepareParts(const DesktopOptions& options, DesktopParts& parts) {
  const WorkingFolder working = ResolveWorkingFolder(options.dir);
  if (!working.error.empty()) return std::string(texts::kNoWorkingFolder) + working.error;
  parts.folder = working.path;
  // Said at start-up, not after the amplifier has been read: every operation but a restore
  // writes into the folder.
  if (const std::string problem = FolderProblem(parts.folder, true); !problem.empty()) {
    return std::string(texts::kMsgFolderUnusable) + "\n" + problem;
  }
  if (!options.trace.empty() && IsProgramFile(parts.folder, options.trace)) {
    return FormatText(texts::kFmtTraceIsOwnFile, options.trace);
  }
  // A lock file that cannot be made is no reason to stop: nothing can be written there either.
  if (ClaimWorkFolder(parts.folder, parts.folderLock) == FolderLock::Result::kBusy) {
    return FormatText(texts::kFmtFolderInUse, parts.folder);
  }
  if (!options.trace.empty()) {
    std::string error;
    if (!parts.trace.Open(options.trace, "q7310-upgrade", &error)) {
      return "cannot write the trace: " + error;
    }
    parts.serial.SetWireObserver(&parts.trace);
  }
  if (options.device) parts.serial.SetDevicePath(*options.device);
  return {};
}

}  // namespace q7310::win32
