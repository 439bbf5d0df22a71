#pragma once
// The port settings kept between runs, under the value names "cm", "cp",
// "cs", "cd", "cpa", "cdtr" and "crts" of the settings key. Each byte value
// is one byte: a line enumeration's ordinal, or 0/1 for DTR and RTS.
#include "LineTypes.h"

#include <QString>

class TComm64;

struct PortSettings {
  QString DeviceName = QStringLiteral("ttyS0");
  TBaudRate BaudRate = cbr115200;
  TStopbits Stopbits = sb1_0;
  TDatabits Databits = da8;
  TParity Parity = paNone;
  bool DtrOn = false;
  bool RtsOn = false;
};

// Reads the seven values. Absent or out-of-range values give the defaults
// above: an empty name gives "ttyS0"; speed only cbr4800..cbr115200, data
// bits only da6..da8, parity only none, odd or even; DTR and RTS on when
// their byte is not 0.
PortSettings ReadPortSettings(const QString& key);
// Writes the seven values in the order cm, cp, cs, cd, cpa, cdtr, crts, the
// ordinals as they stand.
void WritePortSettings(const QString& key, const PortSettings& settings);

// ReadPortSettings into the port's properties (the port is not opened) and the two flags.
void LoadPortSettings(const QString& key, TComm64& port, bool& DtrOn, bool& RtsOn);
// WritePortSettings from the port's properties and the two flags.
void SavePortSettings(const QString& key, const TComm64& port, bool DtrOn, bool RtsOn);

// The line every run starts with, whatever was loaded: 9600 bit/s, 8 data
// bits, no parity, 1 stop bit, DTR and RTS raised.
void ApplyStartupLine(TComm64& port, bool& DtrOn, bool& RtsOn);
