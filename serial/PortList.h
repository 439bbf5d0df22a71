#pragma once
// The serial ports the user can choose from. Listing reads sysfs only and
// never opens a port: opening pulses DTR and may disturb a device.
#include <QString>
#include <QStringList>
#include <cstdint>

inline const QString SysfsTtyRoot = QStringLiteral("/sys/class/tty");

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

// Index of the last entry equal to `name` with case ignored; 0 when none is.
std::uint16_t findPortIndex(const QStringList& list, const QString& name);
