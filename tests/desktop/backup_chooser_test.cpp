// The saved-backup chooser offers only whole backups: an empty or cut file is never listed.
#include "desktop/backup_chooser.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileSystemModel>
#include <QSignalSpy>
#include <QTemporaryDir>

namespace q7310 {
namespace {

void Write(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
  QFile file(dir.filePath(name));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(bytes);
}

TEST(BackupChooser, ListsOnlyWholeBackupsAndFolders) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  // Slot 2 with 3 bytes, then slot 7 with none.
  Write(dir, QStringLiteral("BACKUP-20261207-104817.BIN"),
        QByteArray("\x00\x02\x00\x03\xAA\xBB\xCC\x00\x07\x00\x00", 11));
  Write(dir, QStringLiteral("BACKUP-20261207-104818.BIN"), QByteArray());
  Write(dir, QStringLiteral("BACKUP-20261207-104819.BIN"), QByteArray("\x00\x02\x00\x40\xAA", 5));
  ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("older")));

  QFileSystemModel files;
  QSignalSpy loaded(&files, &QFileSystemModel::directoryLoaded);
  const QModelIndex root = files.setRootPath(dir.path());
  ASSERT_TRUE(loaded.wait(10000));
  WholeBackupFilter filter;
  filter.setSourceModel(&files);
  const QModelIndex shown = filter.mapFromSource(root);
  QStringList names;
  for (int row = 0; row < filter.rowCount(shown); ++row) {
    names << filter.index(row, 0, shown).data().toString();
  }
  names.sort();
  EXPECT_EQ(names,
            QStringList({QStringLiteral("BACKUP-20261207-104817.BIN"), QStringLiteral("older")}));
}

}  // namespace
}  // namespace q7310
