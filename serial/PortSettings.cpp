#include "PortSettings.h"

#include "Registry.h"
#include "TComm64.h"

#include <cstdint>

namespace {

// The one-byte value `name`; 0 when absent, as the zero-filled buffer gives.
std::uint8_t ReadByte(const QString& key, const QString& name) {
  std::uint8_t value = 0;
  RegReadBytes(key, name, &value, 1);
  return value;
}

void WriteByte(const QString& key, const QString& name, std::uint8_t value) { RegWriteBytes(key, name, &value, 1); }

}  // namespace

PortSettings ReadPortSettings(const QString& key) {
  PortSettings settings;
  const QString name = RegReadString(key, QStringLiteral("cm"));
  if (!name.isEmpty()) settings.DeviceName = name;

  const std::uint8_t baud = ReadByte(key, QStringLiteral("cp"));
  if (baud >= cbr4800 && baud <= cbr115200) settings.BaudRate = TBaudRate(baud);
  const std::uint8_t stop = ReadByte(key, QStringLiteral("cs"));
  if (stop <= sb2_0) settings.Stopbits = TStopbits(stop);
  const std::uint8_t data = ReadByte(key, QStringLiteral("cd"));
  if (data >= da6 && data <= da8) settings.Databits = TDatabits(data);
  const std::uint8_t parity = ReadByte(key, QStringLiteral("cpa"));
  if (parity <= paEven) settings.Parity = TParity(parity);

  settings.DtrOn = ReadByte(key, QStringLiteral("cdtr")) != 0;
  settings.RtsOn = ReadByte(key, QStringLiteral("crts")) != 0;
  return settings;
}

void WritePortSettings(const QString& key, const PortSettings& settings) {
  RegWriteString(key, QStringLiteral("cm"), settings.DeviceName);
  WriteByte(key, QStringLiteral("cp"), settings.BaudRate);
  WriteByte(key, QStringLiteral("cs"), settings.Stopbits);
  WriteByte(key, QStringLiteral("cd"), settings.Databits);
  WriteByte(key, QStringLiteral("cpa"), settings.Parity);
  WriteByte(key, QStringLiteral("cdtr"), settings.DtrOn ? 1 : 0);
  WriteByte(key, QStringLiteral("crts"), settings.RtsOn ? 1 : 0);
}

void LoadPortSettings(const QString& key, TComm64& port, bool& DtrOn, bool& RtsOn) {
  const PortSettings settings = ReadPortSettings(key);
  port.SetDeviceName(settings.DeviceName);
  port.SetBaudRate(settings.BaudRate);
  port.SetStopbits(settings.Stopbits);
  port.SetDatabits(settings.Databits);
  port.SetParity(settings.Parity);
  DtrOn = settings.DtrOn;
  RtsOn = settings.RtsOn;
}

void SavePortSettings(const QString& key, const TComm64& port, bool DtrOn, bool RtsOn) {
  PortSettings settings;
  settings.DeviceName = port.DeviceName();
  settings.BaudRate = port.BaudRate();
  settings.Stopbits = port.Stopbits();
  settings.Databits = port.Databits();
  settings.Parity = port.Parity();
  settings.DtrOn = DtrOn;
  settings.RtsOn = RtsOn;
  WritePortSettings(key, settings);
}

void ApplyStartupLine(TComm64& port, bool& DtrOn, bool& RtsOn) {
  port.SetBaudRate(cbr9600);
  port.SetDatabits(da8);
  port.SetStopbits(sb1_0);
  port.SetParity(paNone);
  DtrOn = true;
  RtsOn = true;
}
