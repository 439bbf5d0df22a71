#include "app/ProgramIdentity.h"

#include <QDir>

QIcon programIcon() {
  QIcon icon;
  const QDir sizes(QStringLiteral(":/icon"));
  for (const QString& name : sizes.entryList(QDir::Files)) icon.addFile(sizes.filePath(name));
  return icon;
}
