#include "desktop/upgrade_app.h"

#include <QCommandLineParser>
#include <QTimer>
#include <cstdio>
#include <optional>
#include <string>

#include "desktop/app_icon.h"
#include "desktop/command_line.h"
#include "desktop/port_memory.h"
#include "desktop/screenshot_tour.h"
#include "desktop/upgrade_window.h"

namespace q7310 {

CUpgradeApp::CUpgradeApp(int& argc, char** argv) : m_qapp(argc, argv) {
  QApplication::setApplicationName(QStringLiteral("q7310-upgrade"));
  QApplication::setWindowIcon(AppIcon());
}

int CUpgradeApp::Run() {
  QCommandLineParser parser;
  const DesktopCommandLine options;
  options.AddTo(parser);
  parser.process(m_qapp);
  const QCommandLineOption& device = options.device;
  const QCommandLineOption& dir = options.dir;
  const QCommandLineOption& trace = options.trace;
  const QCommandLineOption& quitWhenShown = options.quitWhenShown;
  const QCommandLineOption& screenshots = options.screenshots;

  std::optional<std::string> commandLineDevice;
  if (parser.isSet(device)) commandLineDevice = parser.value(device).toStdString();
  const int portNo = ApplyStartPort(m_serial, commandLineDevice);

  UpgradeWindow window(m_serial, m_backup, m_image, parser.value(dir).toStdString());
  if (parser.isSet(trace)) {
    std::string error;
    if (!m_trace.Open(parser.value(trace).toStdString(), &error)) {
      std::fprintf(stderr, "q7310-upgrade: cannot write the trace: %s\n", error.c_str());
      return 1;
    }
    window.SetTrace(&m_trace);
    m_serial.SetWireObserver(&m_trace);
  }
  if (parser.isSet(screenshots)) new ScreenshotTour(window, parser.value(screenshots));
  window.show();
  window.Initialise(portNo);
  if (parser.isSet(quitWhenShown)) QTimer::singleShot(0, &m_qapp, &QApplication::quit);
  return QApplication::exec();
}

}  // namespace q7310
