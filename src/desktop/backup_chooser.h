// The chooser of Option > Restore from saved backup: a file dialog on the history folder that
// lists only files holding a whole sequence of slot records (what `q7310 inspect` accepts), so
// that an empty, cut or foreign file is never offered for a restore.
#pragma once

#include <QSortFilterProxyModel>
#include <QString>
#include <string>

class QWidget;

namespace q7310 {

// Passes folders and the files that are whole backups; hides every other file.
class WholeBackupFilter : public QSortFilterProxyModel {
 public:
  using QSortFilterProxyModel::QSortFilterProxyModel;

 protected:
  bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;
};

// Runs the chooser modally in `folder`; the chosen path, or an empty string on Cancel.
QString ChooseSavedBackup(QWidget* parent, const std::string& folder);

}  // namespace q7310
