#include "cli/shell_word.h"

namespace q7310::cli {

std::string ShellWord(std::string_view word) {
  // File names cannot hold '"'; quotes keep blanks and the characters cmd.exe and PowerShell
  // treat specially (& ( ) ; , ' ^ and others) inside one argument.
  constexpr std::string_view kSpecial = " \t&()[]{}^=;!'+,`~$@#%";
  if (!word.empty() && word.find_first_of(kSpecial) == std::string_view::npos) {
    return std::string(word);
  }
  return "\"" + std::string(word) + "\"";
}

}  // namespace q7310::cli
