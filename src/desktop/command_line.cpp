#include "desktop/command_line.h"

#include <QCoreApplication>
#include <cstring>

#include "app/texts.h"
#include "app/version.h"
#include "dialogs/dialog_units.h"

namespace q7310 {
namespace {

QCommandLineOption Hidden(QCommandLineOption option) {
  option.setFlags(QCommandLineOption::HiddenFromHelp);
  return option;
}

}  // namespace

DesktopCommandLine::DesktopCommandLine()
    : device(QStringLiteral("device"),
             Q(std::string(texts::kHelpDevice) + std::string(texts::kHelpDeviceRemembered)),
             QStringLiteral("PATH")),
      dir(QStringLiteral("dir"), Q(texts::kHelpDir), QStringLiteral("FOLDER")),
      trace(QStringLiteral("trace"), Q(texts::kHelpTrace), QStringLiteral("FILE")),
      quitWhenShown(Hidden(QCommandLineOption(
          QStringLiteral("quit-when-shown"),
          QStringLiteral("Quit as soon as the window is up (start-up benchmark).")))),
      screenshots(Hidden(
          QCommandLineOption(QStringLiteral("screenshots"),
                             QStringLiteral("Run the procedure by itself and save pictures."),
                             QStringLiteral("FOLDER")))) {}

void DesktopCommandLine::AddTo(QCommandLineParser& parser) const {
  parser.setApplicationDescription(
      QStringLiteral("Backs up, upgrades and restores a 7310 Series Amplifier."));
  parser.addHelpOption();
  parser.addVersionOption();
  parser.addOptions({device, dir, trace, quitWhenShown, screenshots});
}

bool AsksForHelp(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    for (const char* help : {"-h", "--help", "-?", "--help-all", "-v", "--version"}) {
      if (std::strcmp(argv[i], help) == 0) return true;
    }
  }
  return false;
}

int PrintHelpWithoutDisplay(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("q7310-upgrade"));
  QCoreApplication::setApplicationVersion(
      QString::fromUtf8(VersionText().data(), static_cast<qsizetype>(VersionText().size())));
  QCommandLineParser parser;
  const DesktopCommandLine options;
  options.AddTo(parser);
  parser.process(app);  // prints the help text or the version and exits
  return 0;
}

}  // namespace q7310
