#pragma once
// ports: the serial ports the system has, as the port dialog describes them,
// without opening any.
#include "cli/CommandOutcome.h"
#include "serial/PortList.h"

// A line a device ("ttyUSB0 – FTDI FT232R USB UART, nr seryjny A10K1234")
// followed by a line each for its stable names ("/dev/serial/by-id/… –
// ttyUSB0"), each line starting with a name --port takes; with --json one
// object a device: name, device, stableNames, description, manufacturer,
// product, serialNumber, vendorId, productId, latencyTimerMs (null where the
// driver has none). No ports: nothing on standard output, a notice on
// standard error.
CommandOutcome runPortsCommand(const CliRequest& request, const CommandOutput& out,
                               const QString& sysfsRoot = SysfsTtyRoot, const QString& byIdFolder = SerialByIdFolder);
