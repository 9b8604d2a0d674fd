// The desktop program's command line. Declared once, so that the help text and the version can be
// printed by a plain QCoreApplication: `q7310-upgrade --help` and `--version` then work on a
// machine without a display, where creating the widget application would abort in the platform
// plugin.
#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>

namespace q7310 {

struct DesktopCommandLine {
  DesktopCommandLine();
  // Adds the help option and every option below to `parser`.
  void AddTo(QCommandLineParser& parser) const;

  QCommandLineOption device;
  QCommandLineOption dir;
  QCommandLineOption trace;
  QCommandLineOption quitWhenShown;  // hidden: the start-up benchmark
  QCommandLineOption screenshots;    // hidden: the screenshot tour
};

// Whether the command line asks for the help text (-h, --help, -?, --help-all) or the version
// (-v, --version).
bool AsksForHelp(int argc, char** argv);
// Prints the help text or the version without a display and returns the exit status.
int PrintHelpWithoutDisplay(int argc, char** argv);

}  // namespace q7310
