#include "desktop/port_memory.h"

#include <QSettings>
#include <QString>

namespace q7310 {
namespace {

const QString kPortNoKey = QStringLiteral("port/number");
const QString kDeviceKey = QStringLiteral("port/device");

const QString kOrganisation = QStringLiteral("q7310");
const QString kApplication = QStringLiteral("q7310-upgrade");

}  // namespace

RememberedPort SettingsPortMemory::Load() const {
  const QSettings store(QSettings::NativeFormat, QSettings::UserScope, kOrganisation, kApplication);
  RememberedPort port;
  bool ok = false;
  const qlonglong number = store.value(kPortNoKey, port.portNo).toLongLong(&ok);
  if (ok && UsableRememberedPortNo(number)) port.portNo = static_cast<int>(number);
  port.device = store.value(kDeviceKey).toString().toStdString();
  port.stored = store.contains(kPortNoKey);
  return port;
}

void SettingsPortMemory::Save(const RememberedPort& port) {
  QSettings store(QSettings::NativeFormat, QSettings::UserScope, kOrganisation, kApplication);
  store.setValue(kPortNoKey, port.portNo);
  if (port.device.empty()) {
    store.remove(kDeviceKey);
  } else {
    store.setValue(kDeviceKey, QString::fromStdString(port.device));
  }
}

}  // namespace q7310
