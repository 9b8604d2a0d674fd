#include "app/desktop_start.h"

#include <cstdio>

#include "app/texts.h"
#include "app/version.h"

namespace q7310 {
namespace {

constexpr int kUsageStatus = 2;

std::string VersionLine() {
  return std::string(kDesktopProgram) + " " + std::string(VersionText());
}

}  // namespace

DesktopCommandLine::DesktopCommandLine()
    : m_app("Backs up, upgrades and restores a 7310 Series Amplifier.",
            std::string(kDesktopProgram)) {
  m_app
      .add_option("--device", m_device,
                  std::string(texts::kHelpDevice) + std::string(texts::kHelpDeviceRemembered))
      ->type_name(std::string(texts::kDeviceValueName));
  m_app.add_option("--dir", m_options.dir, std::string(texts::kHelpDir))->type_name("<FOLDER>");
  m_app.add_option("--trace", m_options.trace, std::string(texts::kHelpTrace))->type_name("<FILE>");
  m_app.add_flag("--allow-sample", m_options.allowSample, std::string(texts::kHelpAllowSample));
  m_app.set_version_flag("-v,--version", VersionLine());
}

CommandLineEnd DesktopCommandLine::Parse(const std::vector<std::string>& args) {
  CommandLineEnd end;
  // CLI11 takes the arguments last first.
  std::vector<std::string> reversed(args.rbegin(), args.rend());
  try {
    m_app.parse(reversed);
  } catch (const CLI::CallForHelp&) {
    std::string help = m_app.help();
    help.erase(help.find_last_not_of('\n') + 1);
    end = {true, 0, help};
  } catch (const CLI::CallForVersion&) {
    end = {true, 0, VersionLine()};
  } catch (const CLI::ParseError& error) {
    end = {true, kUsageStatus,
           std::string(error.what()) + "\n" + std::string(texts::kUsageSeeHelp)};
  }
  if (!end.exitNow && m_app.count("--device") != 0) m_options.device = m_device;
  return end;
}

SessionOptions DesktopSessionOptions(const DesktopOptions& options,
                                     const RememberedPort& remembered) {
  const RememberedPort start = StartPort(remembered, options.device);
  SessionOptions session;
  session.device = start.device;
  session.portNo = start.portNo;
  session.dir = options.dir;
  session.trace = options.trace;
  session.allowSample = options.allowSample;
  // Every operation but a restore writes into the folder.
  session.writesFolder = true;
  return session;
}

bool StartPortNamed(const DesktopOptions& options, const RememberedPort& remembered) {
  return options.device.has_value() || remembered.stored;
}

std::string OpenDesktopSession(Session& session) {
  if (const SessionStatus chosen = session.ChooseFolder(); !chosen.Ok()) return chosen.text;
  const SessionStatus opened = session.Open();
  // A lock that cannot be taken stops the start (Open refuses it), but for a run that writes
  // nothing in a folder nobody can write; the desktop programs always may write.
  if (!opened.warning.empty()) {
    std::fprintf(stderr, "%s: %s\n", std::string(kDesktopProgram).c_str(), opened.warning.c_str());
  }
  if (opened.detail.empty()) return opened.text;
  return opened.text + "\n" + opened.detail;
}

}  // namespace q7310
