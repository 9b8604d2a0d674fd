#include "desktop/backup_chooser.h"

#include <QFileDialog>
#include <QFileSystemModel>

#include "app/texts.h"
#include "backup/backup_file_info.h"
#include "dialogs/dialog_units.h"

namespace q7310 {
namespace {

constexpr QSize kChooserSize(760, 440);

}  // namespace

bool WholeBackupFilter::filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const {
  const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
  if (!files) return true;
  const QModelIndex index = files->index(sourceRow, 0, sourceParent);
  if (files->isDir(index)) return true;
  return InspectBackupFile(files->filePath(index).toStdString()).problem ==
         BackupFileProblem::kNone;
}

QString ChooseSavedBackup(QWidget* parent, const std::string& folder) {
  QFileDialog chooser(parent, Q(texts::kRestoreFromCaption), QString::fromStdString(folder),
                      Q(texts::kRestoreFromFilter));
  // A proxy model works on Qt's own dialog only.
  chooser.setOption(QFileDialog::DontUseNativeDialog);
  chooser.setFileMode(QFileDialog::ExistingFile);
  chooser.setAcceptMode(QFileDialog::AcceptOpen);
  chooser.setProxyModel(new WholeBackupFilter(&chooser));
  // Wide enough for the dated names, sizes and dates side by side, none of them cut off.
  chooser.setViewMode(QFileDialog::Detail);
  chooser.resize(kChooserSize);
  if (chooser.exec() != QDialog::Accepted || chooser.selectedFiles().isEmpty()) return {};
  return chooser.selectedFiles().first();
}

}  // namespace q7310
