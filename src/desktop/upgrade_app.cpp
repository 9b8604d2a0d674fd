#include "desktop/upgrade_app.h"

#include <QCommandLineParser>
#include <QMessageBox>
#include <QTimer>
#include <cstdio>
#include <optional>
#include <string>

#include "app/session.h"
#include "app/texts.h"
#include "app/version.h"
#include "desktop/app_icon.h"
#include "desktop/command_line.h"
#include "desktop/port_memory.h"
#include "desktop/screenshot_tour.h"
#include "desktop/upgrade_window.h"
#include "dialogs/dialog_units.h"

namespace q7310 {
namespace {

// A start-up refusal: a message box (and the same line on stderr for scripts).
void Refuse(const std::string& text) {
  std::fprintf(stderr, "q7310-upgrade: %s\n", text.c_str());
  QMessageBox::critical(nullptr, Q(texts::kCaptionError), Q(text));
}

}  // namespace

CUpgradeApp::CUpgradeApp(int& argc, char** argv) : m_qapp(argc, argv) {
  QApplication::setApplicationName(QStringLiteral("q7310-upgrade"));
  QApplication::setApplicationVersion(Q(VersionText()));
  QApplication::setWindowIcon(AppIcon());
  QGuiApplication::setDesktopFileName(QStringLiteral("q7310-upgrade"));
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
  const RememberedPort start = StartPort(commandLineDevice);
  SessionOptions sessionOptions;
  sessionOptions.device = start.device;
  sessionOptions.portNo = start.portNo;
  sessionOptions.dir = parser.value(dir).toStdString();
  sessionOptions.trace = parser.value(trace).toStdString();
  // Every operation but a restore writes into the folder.
  sessionOptions.writesFolder = true;

  Session session(sessionOptions, "q7310-upgrade");
  if (const SessionStatus chosen = session.ChooseFolder(); !chosen.Ok()) {
    Refuse(chosen.text);
    return 1;
  }
  const SessionStatus opened = session.Open();
  if (!opened.warning.empty()) {
    std::fprintf(stderr, "q7310-upgrade: %s\n", opened.warning.c_str());
  }
  switch (opened.problem) {
    case SessionProblem::kNone:
      break;
    case SessionProblem::kFolderUnusable:
      Refuse(opened.text + "\n" + opened.detail);
      return 1;
    case SessionProblem::kTraceNotWritable:
      std::fprintf(stderr, "q7310-upgrade: %s\n", opened.text.c_str());
      return 1;
    default:
      Refuse(opened.text);
      return 1;
  }

  UpgradeWindow window(session);
  if (parser.isSet(screenshots)) new ScreenshotTour(window, parser.value(screenshots));
  window.show();
  window.Initialise(session.PortNo());
  if (parser.isSet(quitWhenShown)) QTimer::singleShot(0, &m_qapp, &QApplication::quit);
  return QApplication::exec();
}

}  // namespace q7310
