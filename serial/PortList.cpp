#include "serial/PortList.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <algorithm>

#include "serial/AdapterLatency.h"
#include "texts/UiTexts.h"

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

QString readAttribute(const QDir& folder, const char* name) {
  QFile file(folder.filePath(QString::fromLatin1(name)));
  if (!file.open(QIODevice::ReadOnly)) return {};
  return QString::fromUtf8(file.readAll()).trimmed();
}

// A usb-serial port's device is a child of the USB interface, an ACM port's
// device is the interface itself; the USB device is the first folder on the
// way up that has a vendor id. Anything else (a UART on the main board, a
// Bluetooth link) has none within reach.
void addUsbFacts(PortChoice& choice, const QString& sysfsRoot) {
  QString folder =
      QFileInfo(sysfsRoot + QLatin1Char('/') + choice.kernelName + QStringLiteral("/device")).canonicalFilePath();
  for (int level = 0; level < 3 && folder.size() > 1; ++level) {
    const QDir dir(folder);
    if (dir.exists(QStringLiteral("idVendor"))) {
      choice.manufacturer = readAttribute(dir, "manufacturer");
      choice.product = readAttribute(dir, "product");
      choice.serialNumber = readAttribute(dir, "serial");
      choice.vendorId = readAttribute(dir, "idVendor");
      choice.productId = readAttribute(dir, "idProduct");
      return;
    }
    folder = QFileInfo(folder).path();
  }
}

// Kernel name -> the stable names that link to it, in name order.
QMap<QString, QStringList> stableNames(const QString& byIdFolder) {
  QMap<QString, QStringList> names;
  const QFileInfoList links =
      QDir(byIdFolder).entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
  for (const QFileInfo& link : links) {
    if (!link.isSymLink()) continue;
    names[QFileInfo(link.symLinkTarget()).fileName()].append(link.absoluteFilePath());
  }
  return names;
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

int findPortIndex(const QStringList& list, const QString& name) {
  const QString wanted = name.toUpper();
  int index = -1;
  for (qsizetype i = 0; i < list.size(); ++i) {
    if (list[i].toUpper() == wanted) index = int(i);
  }
  return index;
}

PortChoice describeDevice(const QString& kernelName, const QString& sysfsRoot) {
  PortChoice choice;
  choice.name = kernelName;
  choice.kernelName = kernelName;
  addUsbFacts(choice, sysfsRoot);
  choice.latencyTimerMs = adapterLatencyMs(kernelName, sysfsRoot);
  return choice;
}

QList<PortChoice> describePorts(const QStringList& kernelNames, const QString& sysfsRoot, const QString& byIdFolder) {
  const QMap<QString, QStringList> stable = stableNames(byIdFolder);
  QList<PortChoice> choices;
  for (const QString& kernelName : kernelNames) {
    PortChoice choice = describeDevice(kernelName, sysfsRoot);
    choices.append(choice);
    for (const QString& path : stable.value(kernelName)) {
      choice.name = path;
      choices.append(choice);
    }
  }
  return choices;
}

QList<PortChoice> portChoices(const QString& sysfsRoot, const QString& byIdFolder) {
  QStringList names;
  fillPortList(names, sysfsRoot);
  return describePorts(names, sysfsRoot, byIdFolder);
}

QString deviceDescription(const PortChoice& choice) {
  QString what = (choice.manufacturer + u' ' + choice.product).trimmed();
  if (what.isEmpty() && !choice.vendorId.isEmpty())
    what = uiText(UiTexts::txtPortUsbIds).arg(choice.vendorId, choice.productId);
  if (!what.isEmpty() && !choice.serialNumber.isEmpty())
    what = uiText(UiTexts::txtPortUsbSerial).arg(what, choice.serialNumber);
  return what;
}

QString adapterText(const QString& deviceName, const QString& sysfsRoot, const QString& byIdFolder) {
  // A stable name or /dev/ttyUSB0 leads to the kernel's name of the device.
  QString kernelName = deviceName;
  if (deviceName.contains(u'/')) {
    const QFileInfo target(QFileInfo(deviceName).canonicalFilePath());
    kernelName = target.fileName();
  }
  QString description;
  if (!kernelName.isEmpty())
    for (const PortChoice& choice : describePorts({kernelName}, sysfsRoot, byIdFolder))
      if (description.isEmpty()) description = deviceDescription(choice);
  return description.isEmpty() ? deviceName : uiText(UiTexts::txtPortListEntry).arg(deviceName, description);
}
