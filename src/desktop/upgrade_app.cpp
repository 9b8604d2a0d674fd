#include "desktop/upgrade_app.h"

#include <QMessageBox>
#include <QTimer>
#include <cstdio>

#include "app/session.h"
#include "app/texts.h"
#include "app/version.h"
#include "desktop/app_icon.h"
#include "desktop/port_memory.h"
#include "desktop/screenshot_tour.h"
#include "desktop/upgrade_window.h"
#include "dialogs/dialog_units.h"

namespace q7310 {

QtCommandLine::QtCommandLine() {
  App()
      .add_flag("--quit-when-shown", quitWhenShown,
                "Quit as soon as the window is up (start-up benchmark).")
      ->group("");
  App()
      .add_option("--screenshots", screenshots, "Run the procedure by itself and save pictures.")
      ->group("");
}

std::vector<std::string> ArgumentsOf(int argc, char** argv) {
  return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

CUpgradeApp::CUpgradeApp(int& argc, char** argv) : m_qapp(argc, argv) {
  QApplication::setApplicationName(Q(kDesktopProgram));
  QApplication::setApplicationVersion(Q(VersionText()));
  QApplication::setWindowIcon(AppIcon());
  QGuiApplication::setDesktopFileName(Q(kDesktopProgram));
}

int CUpgradeApp::Run() {
  // The arguments that Qt's own options leave, as UTF-8.
  std::vector<std::string> args;
  for (const QString& arg : QCoreApplication::arguments().mid(1)) args.push_back(arg.toStdString());
  QtCommandLine commandLine;
  if (const CommandLineEnd end = commandLine.Parse(args); end.exitNow) {
    std::fprintf(end.exitStatus == 0 ? stdout : stderr, "%s\n", end.text.c_str());
    return end.exitStatus;
  }

  const RememberedPort remembered = SettingsPortMemory().Load();
  Session session(DesktopSessionOptions(commandLine.Options(), remembered),
                  std::string(kDesktopProgram));
  if (const std::string refusal = OpenDesktopSession(session); !refusal.empty()) {
    // A message box, and the same line on stderr for scripts.
    std::fprintf(stderr, "%s: %s\n", std::string(kDesktopProgram).c_str(), refusal.c_str());
    QMessageBox::critical(nullptr, Q(texts::kCaptionError), Q(refusal));
    return 1;
  }

  UpgradeWindow window(session);
  if (!commandLine.screenshots.empty()) {
    new ScreenshotTour(window, QString::fromStdString(commandLine.screenshots));
  }
  window.show();
  window.Initialise(session.PortNo(), StartPortNamed(commandLine.Options(), remembered));
  if (commandLine.quitWhenShown) QTimer::singleShot(0, &m_qapp, &QApplication::quit);
  return QApplication::exec();
}

}  // namespace q7310
