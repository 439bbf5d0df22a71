#include "util/VersionText.h"

#include "util/HexText.h"

QString versionText(int major, int minor, int release, int build) {
  const auto low = [](int part) { return QString::number(part & 0xFF); };
  return low(major) + QLatin1Char('.') + low(minor) + low(release) + QLatin1Char('.') +
         QStringLiteral("%1").arg(build & 0xFF, 3, 10, QLatin1Char('0'));
}

QString versionText() {
  return versionText(ORVITA_VERSION_MAJOR, ORVITA_VERSION_MINOR, ORVITA_VERSION_PATCH, ORVITA_VERSION_TWEAK);
}

QString packageVersion() {
  return QStringLiteral("%1.%2.%3.%4")
      .arg(ORVITA_VERSION_MAJOR)
      .arg(ORVITA_VERSION_MINOR)
      .arg(ORVITA_VERSION_PATCH)
      .arg(ORVITA_VERSION_TWEAK);
}

QString barrierFirmwareVersion(std::span<const std::uint8_t> v) {
  if (v.size() < 4) return QString();
  return QString::number(v[1]) + QLatin1Char('.') + QString::number(v[2]) + QString::number(v[3]);
}

QString barrierFirmwareDate(std::span<const std::uint8_t> v) {
  if (v.size() < 8) return QString();
  return numToHex(v[4]) + numToHex(v[5]) + QLatin1Char('-') + numToHex(v[6]) + QLatin1Char('-') + numToHex(v[7]);
}
