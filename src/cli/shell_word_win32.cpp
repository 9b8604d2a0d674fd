#include "cli/shell_word.h"

namespace q7310::cli {

std::string ShellWord(std::string_view word) {
  // File names cannot hold '"'; quotes keep blanks and the characters cmd.exe and PowerShell
  // treat specially (& ( ) ; , ' ^ and others) inside one argument.
  constexpr std::string_view kSpecial = " \t&()[]{}^=;!'+,`~$@#%";
  if (!word.empty() && word.find_first_of(kSpecial) == std::string_view::npos) {
    return std::string(word);
  }
  // Appended piece by piece: GCC 12 warns falsely (-Wrestrict) about "\"" + std::string.
  std::string quoted(1, '"');
  quoted.append(word).push_back('"');
  return quoted;
}

}  // namespace q7310::cli
