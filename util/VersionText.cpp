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

namespace {

std::span<const std::uint8_t> byteSpan(const QByteArray& bytes) {
  return {reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size())};
}

}  // namespace

QString barrierFirmwareVersion(const QByteArray& versionBytes) {
  return barrierFirmwareVersion(byteSpan(versionBytes));
}

QString barrierFirmwareDate(const QByteArray& versionBytes) { return barrierFirmwareDate(byteSpan(versionBytes)); }
