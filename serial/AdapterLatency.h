#pragma once
// USB-serial adapters hold received bytes back (the FTDI latency timer: 16 ms
// by default), which alone can cost a quarter of the poll rate. The port asks
// each opening for low latency; what the adapter then uses is read here.
#include <QString>
#include <optional>

#include "serial/PortList.h"

// Asks the driver of the open terminal `fd` for low latency (TIOCSSERIAL
// with ASYNC_LOW_LATENCY, which an ordinary user may set; ftdi_sio then uses
// a 1 ms latency timer). False when the driver refuses, as pseudo-terminals
// and many drivers do; nothing else changes then.
bool requestLowLatency(int fd);

// The adapter's latency timer in ms, from sysfs (`latency_timer` of the
// port's device, as ftdi_sio gives it); nullopt where there is none.
std::optional<int> adapterLatencyMs(const QString& kernelName, const QString& sysfsRoot = SysfsTtyRoot);

// The kernel name behind a device path (/dev/ttyUSB0, a stable by-id link,
// or a bare kernel name), for the sysfs look-ups.
QString kernelNameOf(const QString& deviceName);

// A udev rule that sets the latency timer of the adapter with these USB ids
// to `ms` for good, as text for the user to copy into a rules file, with the
// file's place and the command that applies it in comment lines.
QString latencyUdevRule(const QString& vendorId, const QString& productId, int ms = 1);
