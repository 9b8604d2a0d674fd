// Where the program keeps its files: the working folder of Q7310_v201.mot, BACKUP.BIN and
// UPDATE.BIN, and the sample firmware file installed with the programs.
//
// The rule, the same for both front ends: a folder named on the command line (--dir) wins;
// otherwise the program's own folder when the user may write it (a build folder, an unpacked
// zip); otherwise the per-user data folder, which is created when missing. An installed program
// always takes the per-user data folder: on Linux one with its data folder <prefix>/share/q7310
// beside <prefix>/bin, so that root, who may write /usr/bin, does not fill it with BACKUP.BIN
// either; on Windows one that the installer marked (InstalledMarkName() beside the program), so
// that its files outlive an upgrade, which replaces the program's folder, and an uninstall.
#pragma once

#include <string>
#include <string_view>

#include "util/path_join.h"  // JoinPath, which most users of this header need

namespace q7310 {

// The folder of the running executable, with a trailing '/', or an empty string when the
// system cannot say (files are then looked up under their bare names in the current directory).
std::string ProgramFolder();

// `path` as the system spells it for the operator: on Windows with '\\' between the folders;
// elsewhere unchanged.
std::string NativePath(std::string_view path);

// The per-user data folder of the programs: <SystemDataFolder()>/q7310 on Windows;
// elsewhere $XDG_DATA_HOME/q7310, or ~/.local/share/q7310 when
// XDG_DATA_HOME is unset, empty or not absolute. Empty when neither it nor HOME is set.
std::string UserDataFolder();

// The chosen working folder, or why there is none.
struct WorkingFolder {
  std::string path;      // without a trailing '/' (except the root folder itself)
  bool perUser = false;  // the per-user data folder (an installed or read-only program)
  std::string error;     // set when the per-user data folder cannot be made; `path` names it
};

// The rule above, for a program in `programFolder` with the per-user data folder
// `userDataFolder`. An empty `dirOption` means no --dir.
WorkingFolder ChooseWorkingFolder(std::string_view dirOption, std::string_view programFolder,
                                  std::string_view userDataFolder);
// The rule above for this program.
WorkingFolder ResolveWorkingFolder(std::string_view dirOption);

// The installation's layout, as the install rules make it (cmake/Q7310Layout.cmake).
// The file that the Windows installer puts beside the programs to mark them installed; empty on
// Linux, where the data folder itself marks an installation.
std::string_view InstalledMarkName();
// The sample firmware file's path inside the installed data folder.
std::string_view InstalledSampleName();

// The data folder installed with a program in `programFolder`, or empty when there is none: the
// program is not an installed one. Linux: <prefix>/share/q7310 for <prefix>/bin; Windows: the
// program's folder itself, when the installer's mark is there.
std::string InstalledDataFolder(std::string_view programFolder);

// The sample firmware file installed with a program in `programFolder` (InstalledSampleName()
// in InstalledDataFolder()), or empty when there is none.
std::string InstalledSampleFirmware(std::string_view programFolder);

// The detail to add to "Failed to read the MOT file." when the working folder has no firmware
// file but the installed sample exists: where the sample is and where to copy it. Empty
// otherwise.
std::string MissingFirmwareHint(std::string_view workingFolder, std::string_view programFolder);

// POSIX or Windows specifics, in app_paths_<os>.cpp.
bool FolderWritable(const std::string& folder);
// Makes `folder` and its missing parents (private to the user); false with the reason on error.
bool MakeFolders(const std::string& folder, std::string* error);
std::string EnvironmentValue(const char* name);
// The system's per-user folder for program data (Windows: %LOCALAPPDATA%), or empty where the
// XDG rule applies.
std::string SystemDataFolder();

}  // namespace q7310
