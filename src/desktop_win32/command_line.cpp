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
  std::string device;
  app.add_option("--device", device,
                 "Serial port to use instead of port 1 (e.g. COM12); Option > Setting chooses "
                 "another port number.")
      ->type_name("PORT");
  app.add_option("--dir", parsed.options.dir,
                 "Folder of Q7310_v201.mot, BACKUP.BIN and UPDATE.BIN (default: the program's "
                 "folder if it is writable, else %LOCALAPPDATA%\\q7310; the About box names the "
                 "folder used).")
      ->type_name("FOLDER");
  app.add_option("--trace", parsed.options.trace,
                 "Write a timestamped line for every frame sent and received, every resend, "
                 "time-out, dropped frame and line error to FILE.")
      ->type_name("FILE");
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
  if (app.count("--device") != 0) parsed.options.device = device;
  return parsed;
}

}  // namespace q7310::win32
