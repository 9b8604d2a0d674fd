// q7310 ports: the serial ports present, the port number each maps to, and what each is (driver,
// USB ids, serial number, description; on Windows the USB adapter's latency timer).
#include <cstdio>
#include <string>
#include <vector>

#include "app/adapter_latency.h"
#include "app/texts.h"
#include "cli/commands.h"
#include "cli/json_lines.h"
#include "cli/platform_help.h"
#include "cli/port_request.h"
#include "cli/port_table.h"
#include "cli/usage.h"
#include "serial/port_list.h"

namespace q7310::cli {
namespace {

void PrintPlain(const std::vector<SerialPortInfo>& ports) {
  if (ports.empty()) {
    std::printf("%s\n", std::string(texts::kPortsNone).c_str());
    return;
  }
  std::fputs(PortTable(ports).c_str(), stdout);
  for (const SerialPortInfo& port : ports) {
    if (const std::string note = LatencyPortNote(port); !note.empty()) {
      std::printf("%s\n", note.c_str());
    }
  }
  // The usual first hurdle on Linux: say how to get past it.
  std::string denied;
  for (const SerialPortInfo& port : ports) {
    if (PortAccessDenied(port.device)) denied += (denied.empty() ? "" : ", ") + port.device;
  }
  if (!denied.empty())
    std::printf("%s%s\n", denied.c_str(), std::string(texts::kPortsDialoutHint).c_str());
}

void PrintJson(const std::vector<SerialPortInfo>& ports) {
  JsonLines lines(stdout);
  for (const SerialPortInfo& port : ports) {
    Json line{{"type", "port"}};
    line.update(PortObject(port));
    line["access_denied"] = PortAccessDenied(port.device);
    line["note"] = LatencyPortNote(port);
    lines.Write(line);
  }
  lines.Result("ports", true);
}

}  // namespace

void AddPortsCommand(CLI::App& app, ReportOptions& report, RunResult& result) {
  // Parsed options live as long as the program: CLI11 runs the callback after parsing.
  static std::string root = SysfsRoot();
  CLI::App* cmd = app.add_subcommand(
      "ports",
      "list the serial ports present (device, driver, USB ids, serial number, latency timer) and "
      "the port number each maps to");
  cmd->add_option("--sysfs", root, help::kSysfsOption)->check(CLI::ExistingDirectory);
  AddJsonFlag(*cmd, report.json);
  cmd->callback([cmd, &result, &report] {
    if (!StandsAlone(*cmd)) return;
    const std::vector<SerialPortInfo> ports = ListSerialPorts(root, DevRoot());
    if (report.json) {
      PrintJson(ports);
    } else {
      PrintPlain(ports);
    }
    result.exitCode = kExitOk;
  });
}

}  // namespace q7310::cli
