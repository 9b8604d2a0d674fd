#include "desktop/upgrade_app.h"

#include <QCommandLineParser>
#include <QMessageBox>
#include <QTimer>
#include <cstdio>
#include <optional>
#include <string>

#include "app/app_paths.h"
#include "app/texts.h"
#include "app/version.h"
#include "app/work_folder.h"
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
  const int portNo = ApplyStartPort(m_serial, commandLineDevice);

  const WorkingFolder working = ResolveWorkingFolder(parser.value(dir).toStdString());
  if (!working.error.empty()) {
    Refuse(std::string(texts::kNoWorkingFolder) + working.error);
    return 1;
  }
  const std::string& folder = working.path;
  if (parser.isSet(trace) && IsProgramFile(folder, parser.value(trace).toStdString())) {
    Refuse(FormatText(texts::kFmtTraceIsOwnFile, parser.value(trace).toStdString()));
    return 1;
  }
  std::string lockError;
  switch (ClaimWorkFolder(folder, m_folderLock, &lockError)) {
    case FolderLock::Result::kTaken:
      break;
    case FolderLock::Result::kBusy:
      Refuse(FormatText(texts::kFmtFolderInUse, folder));
      return 1;
    case FolderLock::Result::kFailed:
      std::fprintf(stderr, "q7310-upgrade: %s\n", lockError.c_str());
      break;
  }

  UpgradeWindow window(m_serial, m_backup, m_image, folder);
  if (parser.isSet(trace)) {
    std::string error;
    if (!m_trace.Open(parser.value(trace).toStdString(), "q7310-upgrade", &error)) {
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
