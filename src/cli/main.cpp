// q7310: the service operations of the 7310 Series Amplifier from a terminal.
#include <cstdio>
#include <string>
#include <vector>

#include "app/texts.h"
#include "app/version.h"
#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/platform_help.h"
#include "cli/usage.h"

int main(int argc, char** argv) {
  using namespace q7310::cli;
  CLI::App app{
      "Service utility for the 7310 Series Amplifier.\n"
      "  q7310 [options] OPERATION...   OPERATION: " +
      OperationNames() +
      ", run in the order given, stopping at the first failure\n"
      "  q7310 image FILE [--stage PATH [--force]]   check a firmware file\n"
      "  q7310 inspect FILE                list the slot records of a backup file\n"
      "  q7310 ports                       list the serial ports present"};
  app.require_subcommand(1, 0);
  app.set_version_flag("--version", "q7310 " + std::string(q7310::VersionText()),
                       "print the version and the commit built from, and exit");
  app.footer(
      std::string(help::kFilesFooter) +
      "Exit status: 0 every operation or check succeeded, 1 one failed (or was cancelled with "
      "Ctrl-C, SIGTERM or SIGHUP), 2 wrong usage.\n");
  RunResult result;
  OperationOptions operationOptions;
  AddOperationCommands(app, operationOptions);
  AddImageCommand(app, result);
  AddInspectCommand(app, result);
  AddPortsCommand(app, result);
  try {
    std::vector<std::string> arguments = Utf8Arguments(argc, argv);
    std::vector<char*> utf8Argv;
    for (std::string& argument : arguments) utf8Argv.push_back(argument.data());
    app.parse(static_cast<int>(utf8Argv.size()), utf8Argv.data());
  } catch (const CLI::ParseError& e) {
    // A word that names no operation is the usual slip; the parser would only say that a
    // subcommand is required or that an argument was not expected.
    const bool aboutWords = dynamic_cast<const CLI::RequiredError*>(&e) != nullptr ||
                            dynamic_cast<const CLI::ExtrasError*>(&e) != nullptr;
    if (const std::string word = aboutWords ? UnknownWord(app, argc, argv) : std::string();
        !word.empty()) {
      std::fprintf(stderr, "%s\n%s\n", UnknownOperationText(app, word).c_str(),
                   std::string(q7310::texts::kUsageSeeHelp).c_str());
      return kExitUsage;
    }
    const int code = app.exit(e);
    return code == 0 ? kExitOk : kExitUsage;
  }

  const std::vector<const OperationRow*> operations = ParsedOperations(app);
  if (operations.empty()) return result.exitCode;
  if (operations.size() != app.get_subcommands().size()) {
    std::fprintf(stderr,
                 "error: image, inspect and ports stand alone; they do not mix with operations\n");
    return kExitUsage;
  }
  return RunOperations(operations, operationOptions);
}
