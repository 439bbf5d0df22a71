#include "serial/PortList.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>

namespace {

bool caseInsensitiveLess(const QString& a, const QString& b) { return QString::compare(a, b, Qt::CaseInsensitive) < 0; }

// A serial-core port whose UART was never found (above all the spare ttyS
// entries the 8250 driver reserves) reports type 0, PORT_UNKNOWN; it cannot
// carry data and would only clutter the list.
bool isPlaceholder(const QString& entry) {
  QFile type(entry + QStringLiteral("/type"));
  if (!type.open(QIODevice::ReadOnly)) return false;
  return type.readAll().trimmed() == "0";
}

}  // namespace

QStringList systemPorts(const QString& sysfsRoot) {
  QStringList ports;
  const QDir root(sysfsRoot);
  const QStringList names = root.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System, QDir::Name);
  for (const QString& name : names) {
    const QString entry = root.filePath(name);
    const QFileInfo device(entry + QStringLiteral("/device"));
    if (!device.exists() && !device.isSymLink()) continue;
    if (isPlaceholder(entry)) continue;
    ports.append(name);
  }
  return ports;
}

QStringList orderPortList(QStringList systemPorts) {
  QStringList sorted = std::move(systemPorts);
  std::stable_sort(sorted.begin(), sorted.end(), caseInsensitiveLess);

  for (int n = 0; n < 4; ++n) {
    const QString name = QStringLiteral("ttyS%1").arg(n);
    if (sorted.contains(name, Qt::CaseInsensitive)) continue;
    sorted.insert(std::lower_bound(sorted.begin(), sorted.end(), name, caseInsensitiveLess), name);
  }

  QStringList ordered;
  ordered.reserve(sorted.size());
  for (int n = 0; n <= 99; ++n) {
    const QString name = QStringLiteral("ttyS%1").arg(n);
    const auto found = std::find_if(sorted.begin(), sorted.end(), [&name](const QString& entry) {
      return QString::compare(entry, name, Qt::CaseInsensitive) == 0;
    });
    if (found == sorted.end()) continue;
    ordered.append(*found);
    sorted.erase(found);
  }
  ordered.append(sorted);
  return ordered;
}

void fillPortList(QStringList& list, const QString& sysfsRoot) {
  list.clear();
  list = orderPortList(systemPorts(sysfsRoot));
}

std::uint16_t findPortIndex(const QStringList& list, const QString& name) {
  const QString wanted = name.toUpper();
  std::uint16_t index = 0;
  for (qsizetype i = 0; i < list.size(); ++i) {
    if (list[i].toUpper() == wanted) index = std::uint16_t(i);
  }
  return index;
}
