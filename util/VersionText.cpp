#include "util/VersionText.h"

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
