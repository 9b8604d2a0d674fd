// q7310: the service operations of the 7310 Series Amplifier from a terminal.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app/texts.h"
#include "app/version.h"
#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/json_lines.h"
#include "cli/platform_help.h"
#include "cli/usage.h"

namespace {

using namespace q7310::cli;

// Whether the words ask for JSON: read before the parser has, for the parser's own errors.
bool WantsJson(const std::vector<std::string>& arguments) {
  const auto end = std::find(arguments.begin(), arguments.end(), "--");
  return std::find(arguments.begin(), end, "--json") != end;
}

int UsageError(const std::string& text, bool json) {
  if (json) {
    JsonLines lines(stdout);
    lines.Error(text, q7310::texts::kUsageSeeHelp);
    lines.Result("usage", false);
  } else {
    std::fprintf(stderr, "error: %s\n%s\n", text.c_str(),
                 std::string(q7310::texts::kUsageSeeHelp).c_str());
  }
  return kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{
      "Service utility for the 7310 Series Amplifier.\n"
      "  q7310 [options] OPERATION...   OPERATION: " +
      OperationNames() +
      ", run in the order given, stopping at the first failure\n"
      "  q7310 image FILE [--stage PATH [--force]]   check a firmware file\n"
      "  q7310 inspect FILE                list the slot records of a backup file\n"
      "  q7310 ports                       list the serial ports present"};
  app.require_subcommand(1, 0);
  app.set_version_flag("-V,--version", "q7310 " + std::string(q7310::VersionText()),
                       "print the version and the commit built from, and exit");
  app.footer(
      std::string(help::kFilesFooter) + help::kPortFooter +
      "Exit status: 0 every operation or check succeeded, 1 one failed (or was cancelled with "
      "Ctrl-C, SIGTERM or SIGHUP), 2 wrong usage.\n");
  RunResult result;
  OperationOptions operationOptions;
  AddOperationCommands(app, operationOptions);
  AddImageCommand(app, operationOptions.report, result);
  AddInspectCommand(app, operationOptions.report, result);
  AddPortsCommand(app, operationOptions.report, result);

  const std::vector<std::string> arguments = Utf8Arguments(argc, argv);
  try {
    std::vector<std::string> words = arguments;
    std::vector<char*> utf8Argv;
    for (std::string& word : words) utf8Argv.push_back(word.data());
    app.parse(static_cast<int>(utf8Argv.size()), utf8Argv.data());
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForAllHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForVersion& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    // An unknown option, a word that names no operation, or none at all: the parser would take
    // an unknown option's value for an operation, or only say that a subcommand is required.
    const bool aboutWords = dynamic_cast<const CLI::RequiredError*>(&e) != nullptr ||
                            dynamic_cast<const CLI::ExtrasError*>(&e) != nullptr;
    const std::optional<std::string> mistake =
        aboutWords ? DescribeMistake(app, arguments) : std::nullopt;
    return UsageError(mistake.value_or(e.what()), WantsJson(arguments));
  }

  const std::vector<const OperationRow*> operations = ParsedOperations(app);
  const size_t commands = app.get_subcommands().size();
  if (commands > 1 && operations.size() != commands) {
    return UsageError(std::string(q7310::texts::kUsageStandAlone), operationOptions.report.json);
  }
  if (operations.empty()) return result.exitCode;
  return RunOperations(operations, operationOptions);
}
