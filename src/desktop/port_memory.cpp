#include "desktop/port_memory.h"

#include <QSettings>
#include <QString>

#include "serial/serial_port.h"

namespace q7310 {
namespace {

const QString kPortNoKey = QStringLiteral("port/number");
const QString kDeviceKey = QStringLiteral("port/device");

const QString kOrganisation = QStringLiteral("q7310");
const QString kApplication = QStringLiteral("q7310-upgrade");

}  // namespace

RememberedPort LoadRememberedPort() {
  const QSettings store(QSettings::NativeFormat, QSettings::UserScope, kOrganisation, kApplication);
  RememberedPort port;
  bool ok = false;
  const qlonglong number = store.value(kPortNoKey, port.portNo).toLongLong(&ok);
  if (ok && UsableRememberedPortNo(number)) port.portNo = static_cast<int>(number);
  port.device = store.value(kDeviceKey).toString().toStdString();
  return port;
}

void SaveRememberedPort(const RememberedPort& port) {
  QSettings store(QSettings::NativeFormat, QSettings::UserScope, kOrganisation, kApplication);
  store.setValue(kPortNoKey, port.portNo);
  if (port.device.empty()) {
    store.remove(kDeviceKey);
  } else {
    store.setValue(kDeviceKey, QString::fromStdString(port.device));
  }
}

RememberedPort StartPort(const std::optional<std::string>& commandLineDevice) {
  return StartPort(LoadRememberedPort(), commandLineDevice);
}

int ApplyStartPort(CSerialPort& serial, const std::optional<std::string>& commandLineDevice) {
  const RememberedPort start = StartPort(commandLineDevice);
  serial.SetDevicePath(start.device);
  return start.portNo;
}

}  // namespace q7310
