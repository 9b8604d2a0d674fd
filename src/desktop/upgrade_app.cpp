#include "desktop/upgrade_app.h"

#include <QCommandLineParser>

#include "desktop/app_icon.h"
#include "desktop/screenshot_tour.h"
#include "desktop/upgrade_window.h"

namespace q7310 {

CUpgradeApp::CUpgradeApp(int& argc, char** argv) : m_qapp(argc, argv) {
  QApplication::setApplicationName(QStringLiteral("q7310-upgrade"));
  QApplication::setWindowIcon(AppIcon());
}

int CUpgradeApp::Run() {
  QCommandLineParser parser;
  parser.setApplicationDescription(
      QStringLiteral("Backs up, upgrades and restores a 7310 Series Amplifier."));
  parser.addHelpOption();
  const QCommandLineOption device(
      QStringLiteral("device"),
      QStringLiteral("Serial device to use instead of the port number's (e.g. a pseudo-terminal)."),
      QStringLiteral("PATH"));
  const QCommandLineOption dir(
      QStringLiteral("dir"),
      QStringLiteral("Folder of Q7310_v201.mot, BACKUP.BIN and UPDATE.BIN (default: the "
                     "program's folder)."),
      QStringLiteral("FOLDER"));
  QCommandLineOption screenshots(QStringLiteral("screenshots"),
                                 QStringLiteral("Run the procedure by itself and save pictures."),
                                 QStringLiteral("FOLDER"));
  screenshots.setFlags(QCommandLineOption::HiddenFromHelp);
  parser.addOptions({device, dir, screenshots});
  parser.process(m_qapp);

  if (parser.isSet(device)) m_serial.SetDevicePath(parser.value(device).toStdString());

  UpgradeWindow window(m_serial, m_backup, m_image, parser.value(dir).toStdString());
  if (parser.isSet(screenshots)) new ScreenshotTour(window, parser.value(screenshots));
  window.show();
  window.Initialise();
  return QApplication::exec();
}

}  // namespace q7310
