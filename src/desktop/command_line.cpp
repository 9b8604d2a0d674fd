#include "desktop/command_line.h"

#include <QCoreApplication>
#include <cstring>

#include "app/version.h"

namespace q7310 {
namespace {

QCommandLineOption Hidden(QCommandLineOption option) {
  option.setFlags(QCommandLineOption::HiddenFromHelp);
  return option;
}

}  // namespace

DesktopCommandLine::DesktopCommandLine()
    : device(QStringLiteral("device"),
             QStringLiteral("Serial device to use instead of the port number's (e.g. "
                            "/dev/ttyUSB0 or a pseudo-terminal). Without it, the last port "
                            "number or device that worked is used."),
             QStringLiteral("PATH")),
      dir(QStringLiteral("dir"),
          QStringLiteral("Folder of Q7310_v201.mot, BACKUP.BIN and UPDATE.BIN (default: the "
                         "program's folder if it is writable and not installed, else "
                         "$XDG_DATA_HOME/q7310, that is ~/.local/share/q7310; the About box "
                         "names the folder used)."),
          QStringLiteral("FOLDER")),
      trace(QStringLiteral("trace"),
            QStringLiteral("Write a timestamped line for every frame sent and received, every "
                           "resend, time-out, dropped frame and line error to FILE."),
            QStringLiteral("FILE")),
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
