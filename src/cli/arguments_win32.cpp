// The narrow argv of a Windows program is in the ANSI code page, which cannot hold every file
// name: take the wide command line instead and convert it to UTF-8.
#include <windows.h>
// shellapi.h needs windows.h first.
#include <shellapi.h>

#include "cli/arguments.h"
#include "util/wide_text.h"

namespace q7310::cli {

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide == nullptr) return std::vector<std::string>(argv, argv + argc);
  std::vector<std::string> arguments;
  for (int i = 0; i < count; ++i) arguments.push_back(Narrow(wide[i]));
  LocalFree(wide);
  return arguments;
}

}  // namespace q7310::cli
