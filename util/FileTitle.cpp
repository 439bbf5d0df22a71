#include "util/FileTitle.h"

QString fileTitle(const QString& path) {
  QString name = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
  const auto dot = name.lastIndexOf(QLatin1Char('.'));
  if (dot >= 0) name.truncate(dot);
  return name;
}
