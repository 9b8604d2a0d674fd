// CAboutDlg: the About box — the program's icon, its name and version, the build's version and
// commit, the working folder, and an OK button.
#pragma once

#include <QDialog>

namespace q7310 {

class CAboutDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CAboutDlg(const QString& workingFolder, QWidget* parent = nullptr);
};

}  // namespace q7310
