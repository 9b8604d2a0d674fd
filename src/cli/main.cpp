// q7310: the service operations of the 7310 Series Amplifier from a terminal.
#include <cstdio>

#include "cli/commands.h"

int main(int argc, char** argv) {
  using namespace q7310::cli;
  CLI::App app{"Service utility for the 7310 Series Amplifier: checks firmware and backup files."};
  app.require_subcommand(1);
  app.footer(
      "Exit status: 0 success, 1 the operation or the check failed, 2 wrong usage.");
  RunResult result;
  AddImageCommand(app, result);
  AddInspectCommand(app, result);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    const int code = app.exit(e);
    return code == 0 ? kExitOk : kExitUsage;
  }
  return result.exitCode;
}
