// q7310 inspect FILE: lists the slot records of a BACKUP.BIN and checks that the file is a
// well-formed sequence of them holding the nine slots 0 to 8 once each. The listing goes to
// stdout, problems to stderr (with --json, both as JSON lines on stdout).
#include <cstdio>
#include <memory>
#include <string>

#include "app/file_checks.h"
#include "backup/backup_file_info.h"
#include "cli/commands.h"
#include "cli/json_lines.h"
#include "cli/usage.h"

namespace q7310::cli {
namespace {

void PrintRecords(const BackupFileInfo& info) {
  std::printf("%-10s %-5s %-7s %-18s %s\n", "offset", "slot", "length", "header", "format");
  for (const SlotRecordInfo& r : info.records) {
    if (r.hasHeader) {
      std::printf("0x%08X %-5u %-7u \"%s\" %u\n", r.offset, r.slot, r.length, r.headerText.c_str(),
                  r.format);
    } else {
      std::printf("0x%08X %-5u %-7u %-18s %s\n", r.offset, r.slot, r.length, "-", "-");
    }
  }
}

void WriteRecords(JsonLines& lines, const BackupFileInfo& info) {
  for (const SlotRecordInfo& r : info.records) {
    Json record{{"type", "record"},   {"offset", r.offset}, {"slot", r.slot},
                {"length", r.length}, {"header", nullptr},  {"format", nullptr}};
    if (r.hasHeader) {
      record["header"] = r.headerText;
      record["format"] = r.format;
    }
    lines.Write(record);
  }
}

// What is wrong with the file, or empty when it is a complete backup.
std::string ProblemOf(const std::string& file, const BackupFileInfo& info) {
  std::string problem;
  if (info.problem != BackupFileProblem::kNone) {
    problem = DescribeProblem(info);
    if (info.problem == BackupFileProblem::kTooLarge) problem += "; its records were not read";
  } else if (const SlotCoverage coverage = CoverSlots(info.records); !coverage.Complete()) {
    // RESTORE would write such a file all the same; a backup made by BACKUP never looks so.
    problem = DescribeCoverage(coverage);
  }
  if (problem.empty()) return problem;
  if (info.problem == BackupFileProblem::kCannotOpen) {
    const std::string reason = ReadProblem(file);
    return reason.empty() ? file + " " + problem : reason;
  }
  return file + " " + problem;
}

int Run(const std::string& file, bool json) {
  JsonLines lines(stdout);
  const BackupFileInfo info = InspectBackupFile(file);
  // A file too large was not read whole: no count or size of what was not read.
  if (info.problem != BackupFileProblem::kCannotOpen &&
      info.problem != BackupFileProblem::kTooLarge) {
    if (json) {
      lines.Write(Json{{"type", "backup-file"},
                       {"file", file},
                       {"records", info.records.size()},
                       {"bytes", info.fileSize}});
      WriteRecords(lines, info);
    } else {
      std::printf("%s: %zu complete slot records, %llu bytes\n", file.c_str(), info.records.size(),
                  static_cast<unsigned long long>(info.fileSize));
      if (!info.records.empty()) PrintRecords(info);
    }
  }
  const std::string problem = ProblemOf(file, info);
  if (json) {
    if (!problem.empty()) lines.Error(problem);
    lines.Result("inspect", problem.empty());
  } else if (!problem.empty()) {
    std::fflush(stdout);
    std::fprintf(stderr, "error: %s\n", problem.c_str());
  }
  return problem.empty() ? kExitOk : kExitFailed;
}

}  // namespace

void AddInspectCommand(CLI::App& app, ReportOptions& report, RunResult& result) {
  auto file = std::make_shared<std::string>();
  CLI::App* cmd = app.add_subcommand(
      "inspect",
      "List the slot records of a backup file and check that they are well-formed and hold the "
      "slots 0 to 8 once each.");
  cmd->add_option("FILE", *file, "Backup file (BACKUP.BIN)")->required();
  AddJsonFlag(*cmd, report.json);
  cmd->callback([cmd, file, &report, &result] {
    if (StandsAlone(*cmd)) result.exitCode = Run(*file, report.json);
  });
}

}  // namespace q7310::cli
