#pragma once
// The port settings kept between runs, under the value names "cm", "cp",
// "cs", "cd", "cpa", "cdtr" and "crts" of the settings key. Each byte value
// is one byte: a line enumeration's ordinal, or 0/1 for DTR and RTS.
#include <QString>

#include "serial/LineTypes.h"

class SerialPort;

struct PortSettings {
  QString deviceName = QStringLiteral("ttyS0");
  BaudRate baudRate = cbr115200;
  StopBits stopBits = sb1_0;
  DataBits dataBits = da8;
  Parity parity = paNone;
  bool dtrOn = false;
  bool rtsOn = false;
};

// Reads the seven values. Absent or out-of-range values give the defaults
// above: an empty name gives "ttyS0"; speed only cbr4800..cbr115200, data
// bits only da6..da8, parity only none, odd or even; DTR and RTS on when
// their byte is not 0.
PortSettings readPortSettings(const QString& key);
// Writes the seven values in the order cm, cp, cs, cd, cpa, cdtr, crts, the
// ordinals as they stand.
void writePortSettings(const QString& key, const PortSettings& settings);

// readPortSettings into the port's properties (the port is not opened) and the two flags.
void loadPortSettings(const QString& key, SerialPort& port, bool& dtrOn, bool& rtsOn);
// writePortSettings from the port's properties and the two flags.
void savePortSettings(const QString& key, const SerialPort& port, bool dtrOn, bool rtsOn);

// The line every run starts with, whatever was loaded: 9600 bit/s, 8 data
// bits, no parity, 1 stop bit, DTR and RTS raised.
void applyStartupLine(SerialPort& port, bool& dtrOn, bool& rtsOn);
