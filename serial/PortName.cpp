#include "serial/PortName.h"

#include <QDir>

std::optional<QString> resolvePortName(const QString& given, const QString& workingFolder) {
  if (given.isEmpty() || given.endsWith(QLatin1Char('/'))) return std::nullopt;
  if (!given.contains(QLatin1Char('/'))) {
    if (given == QLatin1String(".") || given == QLatin1String("..")) return std::nullopt;
    return given;
  }
  const QString path = QDir::cleanPath(QDir(workingFolder).absoluteFilePath(given));
  const QString fileName = path.section(QLatin1Char('/'), -1);
  if (fileName.isEmpty() || fileName == QLatin1String("..")) return std::nullopt;
  const QString devFolder = QStringLiteral("/dev/");
  if (path.startsWith(devFolder) && !path.mid(devFolder.size()).contains(QLatin1Char('/'))) return fileName;
  return path;
}
