#include "serial/AdapterLatency.h"

#include <linux/serial.h>
#include <sys/ioctl.h>

#include <QFile>
#include <QFileInfo>

bool requestLowLatency(int fd) {
  serial_struct serial{};
  if (::ioctl(fd, TIOCGSERIAL, &serial) != 0) return false;
  if (serial.flags & ASYNC_LOW_LATENCY) return true;
  serial.flags |= ASYNC_LOW_LATENCY;
  return ::ioctl(fd, TIOCSSERIAL, &serial) == 0;
}

std::optional<int> adapterLatencyMs(const QString& kernelName, const QString& sysfsRoot) {
  if (kernelName.isEmpty()) return std::nullopt;
  QFile file(sysfsRoot + QLatin1Char('/') + kernelName + QStringLiteral("/device/latency_timer"));
  if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
  bool ok = false;
  const int ms = file.readAll().trimmed().toInt(&ok);
  if (!ok || ms < 0 || ms > 255) return std::nullopt;
  return ms;
}

QString kernelNameOf(const QString& deviceName) {
  if (!deviceName.contains(QLatin1Char('/'))) return deviceName;
  const QFileInfo info(deviceName);
  QString target = info.canonicalFilePath();
  if (target.isEmpty() && info.isSymLink()) target = info.symLinkTarget();
  return QFileInfo(target.isEmpty() ? deviceName : target).fileName();
}

QString latencyUdevRule(const QString& vendorId, const QString& productId, int ms) {
  return QStringLiteral(
             "# /etc/udev/rules.d/99-usb-serial-latency.rules, then: sudo udevadm control --reload && "
             "sudo udevadm trigger\n"
             "ACTION==\"add\", SUBSYSTEM==\"usb-serial\", ATTRS{idVendor}==\"%1\", ATTRS{idProduct}==\"%2\", "
             "ATTR{latency_timer}=\"%3\"\n")
      .arg(vendorId.toLower(), productId.toLower())
      .arg(ms);
}
