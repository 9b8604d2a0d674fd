#include "desktop_win32/command_line.h"

#include <CLI/CLI.hpp>
#include <algorithm>

#include "app/texts.h"
#include "app/version.h"

namespace q7310::win32 {
namespace {
constexpr int kUsageStatus = 2;
}  // namespace

ParsedCommandLine ParseDesktopCommandLine(const std::vector<std::string>& args) {
  ParsedCommandLine parsed;
  CLI::App app("Backs up, upgrades and restores a 7310 Series Amplifier.", "q7310-upgrade");
  SessionOptions& session = parsed.options;
  app.add_option("--device", session.device,
                 std::string(texts::kHelpDevice) + std::string(texts::kHelpDeviceRemembered))
      ->type_name("PORT");
  app.add_option("--dir", session.dir, std::string(texts::kHelpDir))->type_name("FOLDER");
  app.add_option("--trace", session.trace, std::string(texts::kHelpTrace))->type_name("FILE");
  app.set_version_flag("-v,--version", "q7310-upgrade " + std::string(VersionText()));

  // CLI11 takes the arguments last first.
  std::vector<std::string> reversed(args.rbegin(), args.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::CallForHelp&) {
    parsed.exitNow = true;
    parsed.text = app.help();
    return parsed;
  } catch (const CLI::CallForVersion&) {
    parsed.exitNow = true;
    parsed.text = "q7310-upgrade " + std::string(VersionText());
    return parsed;
  } catch (const CLI::ParseError& error) {
    parsed.exitNow = true;
    parsed.exitStatus = kUsageStatus;
    parsed.text = std::string(error.what()) + "\n" + std::string(texts::kUsageSeeHelp);
    return parsed;
  }
  parsed.deviceGiven = app.count("--device") != 0;
  return parsed;
}

std::optional<std::string> CommandLineDevice(const ParsedCommandLine& parsed) {
  if (!parsed.deviceGiven) return std::nullopt;
  return parsed.options.device;
}

}  // namespace q7310::win32
