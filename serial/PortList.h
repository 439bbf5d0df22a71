#pragma once
// The serial ports the user can choose from. Listing reads sysfs only and
// never opens a port: opening pulses DTR and may disturb a device.
#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

inline const QString SysfsTtyRoot = QStringLiteral("/sys/class/tty");
// Stable names the system gives serial adapters, links to the kernel's devices.
inline const QString SerialByIdFolder = QStringLiteral("/dev/serial/by-id");

// Kernel names (no /dev/) of the entries under `sysfsRoot` that are backed by
// a device, without serial-core placeholders whose UART type reads 0.
// Unsorted; empty when the folder cannot be read.
QStringList systemPorts(const QString& sysfsRoot = SysfsTtyRoot);

// The list to offer: `systemPorts` with ttyS0..ttyS3 added where missing
// (case ignored); first "ttyS0" .. "ttyS99" in numeric order, then every
// other name in case-insensitive order. A name the system gives twice stays twice.
QStringList orderPortList(QStringList systemPorts);

// Clears `list` and fills it with orderPortList(systemPorts(sysfsRoot)).
void fillPortList(QStringList& list, const QString& sysfsRoot = SysfsTtyRoot);

// Index of the last entry equal to `name` with case ignored; -1 when none is.
int findPortIndex(const QStringList& list, const QString& name);

// One entry of the port list and what the system tells of its device
// without opening it.
struct PortChoice {
  QString name;        // what the port opens: a kernel name or a stable path
  QString kernelName;  // the kernel name behind a stable path; `name` itself otherwise
  // A USB adapter's descriptors from sysfs; all empty for other devices.
  QString manufacturer;
  QString product;
  QString serialNumber;
  QString vendorId;  // four hex digits, as sysfs gives them
  QString productId;
  // The adapter's latency timer in ms, where its driver has one (ftdi_sio).
  std::optional<int> latencyTimerMs = std::nullopt;
  bool operator==(const PortChoice&) const = default;
};

// What sysfs under `sysfsRoot` tells of the device behind `kernelName`; no stable names.
PortChoice describeDevice(const QString& kernelName, const QString& sysfsRoot = SysfsTtyRoot);

// `kernelNames` in their order, each followed by the stable names in
// `byIdFolder` that lead to it (in name order), all with their USB facts from `sysfsRoot`.
QList<PortChoice> describePorts(const QStringList& kernelNames, const QString& sysfsRoot = SysfsTtyRoot,
                                const QString& byIdFolder = SerialByIdFolder);

// The port settings dialog's list: describePorts of fillPortList's names.
QList<PortChoice> portChoices(const QString& sysfsRoot = SysfsTtyRoot, const QString& byIdFolder = SerialByIdFolder);

// The manufacturer and product of a USB adapter, or its ids when it gives no
// names, with its serial number; empty for other devices.
QString deviceDescription(const PortChoice& choice);

// The adapter behind `deviceName` (a kernel name or a path) as a record names
// it: the name, and what the system tells of its device when it tells anything.
QString adapterText(const QString& deviceName, const QString& sysfsRoot = SysfsTtyRoot,
                    const QString& byIdFolder = SerialByIdFolder);
