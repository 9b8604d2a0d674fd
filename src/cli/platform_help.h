// The parts of the command-line help that name OS things (devices, the per-user data folder).
// One file per OS: platform_help_posix.cpp, platform_help_win32.cpp.
#pragma once

namespace q7310::cli::help {

extern const char* const kPortOption;   // --port: what it takes, and which device a number opens
extern const char* const kPortFooter;   // the footer's line on the port used without an option
extern const char* const kFilesFooter;  // the footer's line on the working folder
extern const char* const kSysfsOption;  // ports --sysfs

}  // namespace q7310::cli::help
