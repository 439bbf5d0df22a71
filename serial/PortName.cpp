#include "serial/PortName.h"

#include <QDir>
#include <QFileInfo>

namespace {

// "." and ".." name folders whatever comes before them, and so does a
// trailing slash; an existing folder is no port either.
bool namesAFolder(const QString& given, const QString& path) {
  const QString last = given.section(QLatin1Char('/'), -1);
  return last.isEmpty() || last == QLatin1String(".") || last == QLatin1String("..") || QFileInfo(path).isDir();
}

}  // namespace

std::optional<QString> resolvePortName(const QString& given, const QString& workingFolder) {
  const QString devFolder = QStringLiteral("/dev/");
  if (given.isEmpty()) return std::nullopt;
  if (!given.contains(QLatin1Char('/'))) {
    if (namesAFolder(given, devFolder + given)) return std::nullopt;
    return given;
  }
  // Joined by hand: QDir would take ":/..." for one of Qt's resource paths.
  const QString joined = given.startsWith(QLatin1Char('/')) ? given : workingFolder + QLatin1Char('/') + given;
  const QString path = QDir::cleanPath(joined);
  if (namesAFolder(given, path)) return std::nullopt;
  const QString fileName = path.section(QLatin1Char('/'), -1);
  if (path.startsWith(devFolder) && !path.mid(devFolder.size()).contains(QLatin1Char('/'))) return fileName;
  return path;
}
