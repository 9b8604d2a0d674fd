// The words of a command that the tool prints for pasting (the restore command after a failure):
// a real POSIX shell hands each back as one argument, unchanged.
#include "cli/shell_word.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace q7310::cli {
namespace {

// What /bin/sh makes of `word` as one argument of printf.
std::string ThroughTheShell(const std::string& word) {
  const std::string command = "printf '%s|' " + word;
  std::FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return "<no shell>";
  std::string out;
  char buffer[256];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
  ::pclose(pipe);
  return out;
}

TEST(ShellWord, PlainPathsStayAsTheyAreAndOthersAreQuotedToOneArgument) {
  EXPECT_EQ(ShellWord("d/backups/BACKUP-20261207-143015.BIN"),
            "d/backups/BACKUP-20261207-143015.BIN");
  EXPECT_EQ(ShellWord("/dev/ttyUSB0"), "/dev/ttyUSB0");
  EXPECT_EQ(ShellWord("my folder/BACKUP.BIN"), "'my folder/BACKUP.BIN'");
  for (const std::string path :
       {"my folder/BACKUP.BIN", "it's/BACKUP.BIN", "$HOME/`x`/*.BIN", "a\"b\\c;d&e|f",
        "Prüfung/日本/BACKUP.BIN", "", "-", "new\nline"}) {
    SCOPED_TRACE(path);
    EXPECT_EQ(ThroughTheShell(ShellWord(path)), path + "|");
  }
}

}  // namespace
}  // namespace q7310::cli
