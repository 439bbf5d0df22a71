#include "cli/DefaultPort.h"

#include "files/SettingsStore.h"
#include "serial/PortSettings.h"

std::optional<QString> onlyUsbAdapter(const QList<PortChoice>& ports) {
  std::optional<QString> adapter;
  for (const PortChoice& port : ports) {
    // Stable names repeat a kernel name's device.
    if (port.name != port.kernelName || port.vendorId.isEmpty()) continue;
    if (adapter) return std::nullopt;
    adapter = port.name;
  }
  return adapter;
}

std::optional<QString> defaultPort(QStringList& found) {
  // ttyS0, the name a missing value reads as, is the kernel's console on many machines.
  if (!readStoredString(SettingsKey, QStringLiteral("cm")).isEmpty()) return readPortSettings(SettingsKey).deviceName;
  QStringList names = systemPorts();
  names.sort(Qt::CaseInsensitive);
  found = names;
  return onlyUsbAdapter(describePorts(names));
}
