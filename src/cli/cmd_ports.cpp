// q7310 ports: the serial ports present and the port number each maps to.
#include <cstdio>
#include <string>

#include "app/texts.h"
#include "cli/commands.h"
#include "cli/platform_help.h"
#include "serial/port_list.h"

namespace q7310::cli {

void AddPortsCommand(CLI::App& app, RunResult& result) {
  // Parsed options live as long as the program: CLI11 runs the callback after parsing.
  static std::string root = "/sys";
  CLI::App* cmd = app.add_subcommand(
      "ports",
      "list the serial ports present (device, driver, USB ids, serial number) and the "
      "port number each maps to");
  cmd->add_option("--sysfs", root, help::kSysfsOption)->check(CLI::ExistingDirectory);
  cmd->callback([&result] {
    const auto ports = ListSerialPorts(root);
    if (ports.empty()) {
      std::printf("No serial ports found.\n");
      return;
    }
    std::printf("%-5s %-16s %-12s %-9s %-14s %s\n", "PORT", "DEVICE", "DRIVER", "USB ID", "SERIAL",
                "DESCRIPTION");
    for (const auto& p : ports) {
      const std::string port = p.portNumber ? std::to_string(p.portNumber) : "-";
      const std::string usb = p.vendorId.empty() ? "-" : p.vendorId + ":" + p.productId;
      std::printf("%-5s %-16s %-12s %-9s %-14s %s\n", port.c_str(), p.device.c_str(),
                  p.driver.empty() ? "-" : p.driver.c_str(), usb.c_str(),
                  p.serialNumber.empty() ? "-" : p.serialNumber.c_str(), p.description.c_str());
    }
    // The usual first hurdle on Linux: say how to get past it.
    std::string denied;
    for (const auto& p : ports) {
      if (PortAccessDenied(p.device)) {
        denied += (denied.empty() ? "" : ", ") + p.device;
      }
    }
    if (!denied.empty()) {
      std::printf("%s%.*s\n", denied.c_str(), static_cast<int>(texts::kPortsDialoutHint.size()),
                  texts::kPortsDialoutHint.data());
    }
    result.exitCode = kExitOk;
  });
}

}  // namespace q7310::cli
