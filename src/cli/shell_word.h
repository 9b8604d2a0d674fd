// A word of a command line that the tool shows for the operator to type or paste (the restore
// command after a failed update names a file): quoted as the OS's usual shell needs it. One file
// per OS: shell_word_posix.cpp (a POSIX shell), shell_word_win32.cpp (cmd.exe and PowerShell).
#pragma once

#include <string>
#include <string_view>

namespace q7310::cli {

// `word` as it is when the shell takes it unchanged (letters, digits and the usual path
// characters), else quoted so that it reaches the program as one argument.
std::string ShellWord(std::string_view word);

}  // namespace q7310::cli
