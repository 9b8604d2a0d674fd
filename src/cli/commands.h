// The subcommands of the command-line tool q7310. Each file cli/cmd_*.cpp declares its options
// on a CLI11 subcommand and runs it; main.cpp only builds the table and maps errors to exit
// statuses.
#pragma once

#include <CLI/CLI.hpp>
#include <vector>

#include "cli/operation_table.h"

namespace q7310::cli {

// Exit statuses of q7310.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

// What a subcommand leaves for main: its exit status.
struct RunResult {
  int exitCode = kExitOk;
};

// --json, -q/--quiet, -v/--verbose on the program.
void AddReportOptions(CLI::App& app, ReportOptions& report);
// --json alone, on a subcommand that takes it after its name as well.
void AddJsonFlag(CLI::App& app, bool& json);

// q7310 image FILE [--stage PATH] [--json]
void AddImageCommand(CLI::App& app, ReportOptions& report, RunResult& result);
// q7310 inspect FILE [--json]
void AddInspectCommand(CLI::App& app, ReportOptions& report, RunResult& result);
// q7310 ports [--sysfs ROOT] [--json]
void AddPortsCommand(CLI::App& app, ReportOptions& report, RunResult& result);

// q7310 [options] backup|update|restore|verify ...: the global options and a subcommand for
// each row of the operation table.
void AddOperationCommands(CLI::App& app, OperationOptions& options);
// The operations named on the parsed command line, in their order.
std::vector<const OperationRow*> ParsedOperations(const CLI::App& app);
// Runs `operations` in their order, stopping at the first failure. Returns the exit status.
int RunOperations(const std::vector<const OperationRow*>& operations,
                  const OperationOptions& options);

}  // namespace q7310::cli
