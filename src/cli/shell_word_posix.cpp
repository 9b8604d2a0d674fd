#include <algorithm>
#include <cctype>

#include "cli/shell_word.h"

namespace q7310::cli {
namespace {

bool TakenAsItIs(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) != 0 ||
         std::string_view("/._-+:,@%=").find(c) != std::string_view::npos;
}

}  // namespace

std::string ShellWord(std::string_view word) {
  // Bytes of UTF-8 letters are no shell syntax, but a plain word is also easy to read.
  if (!word.empty() && std::all_of(word.begin(), word.end(), TakenAsItIs)) {
    return std::string(word);
  }
  // Within single quotes nothing is special; a single quote itself ends them, is escaped and
  // opens them again.
  std::string quoted = "'";
  for (const char c : word) {
    if (c == '\'') {
      quoted += "'\\''";
    } else {
      quoted += c;
    }
  }
  return quoted + "'";
}

}  // namespace q7310::cli
