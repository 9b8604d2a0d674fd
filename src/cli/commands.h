// The subcommands of the command-line tool q7310. Each file cli/cmd_*.cpp declares its options
// on a CLI11 subcommand and runs it; main.cpp only builds the table and maps errors to exit
// statuses.
#pragma once

#include <CLI/CLI.hpp>
#include <string>

#include "protocol/protocol.h"

namespace q7310::cli {

// Exit statuses of q7310.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

// What a subcommand leaves for main: its exit status.
struct RunResult {
  int exitCode = kExitOk;
};

// q7310 image FILE [--stage PATH]
void AddImageCommand(CLI::App& app, RunResult& result);
// q7310 inspect FILE
void AddInspectCommand(CLI::App& app, RunResult& result);

// q7310 ports [--sysfs ROOT]
void AddPortsCommand(CLI::App& app, RunResult& result);

// q7310 [options] backup|update|restore ...
struct OperationOptions {
  std::string device;
  int port = 1;
  std::string dir;
  bool keepFiles = false;
  unsigned replyTimeoutMs = kReplyTimeoutMs;
  bool yes = false;
  bool json = false;
  std::string trace;
  std::string restoreFrom;  // restore from this file instead of BACKUP.BIN
  std::string verifyFrom;   // verify against this file instead of what the restore sent
};
void AddOperationCommands(CLI::App& app, OperationOptions& options);
// Runs the operations named on the command line, in their order. Returns the exit status.
int RunOperations(CLI::App& app, const OperationOptions& options);

}  // namespace q7310::cli
