#include "serial/PortSettings.h"

#include <cstdint>

#include "files/SettingsStore.h"
#include "serial/SerialPort.h"

namespace {

// The one-byte value `name`; 0 when absent, as the zero-filled buffer gives.
std::uint8_t readByte(const QString& key, const QString& name) {
  std::uint8_t value = 0;
  readStoredBytes(key, name, &value, 1);
  return value;
}

void writeByte(const QString& key, const QString& name, std::uint8_t value) { writeStoredBytes(key, name, &value, 1); }

}  // namespace

PortSettings readPortSettings(const QString& key) {
  PortSettings settings;
  const QString name = readStoredString(key, QStringLiteral("cm"));
  if (!name.isEmpty()) settings.deviceName = name;

  const std::uint8_t baud = readByte(key, QStringLiteral("cp"));
  if (baud >= cbr4800 && baud <= cbr115200) settings.baudRate = BaudRate(baud);
  const std::uint8_t stop = readByte(key, QStringLiteral("cs"));
  if (stop <= sb2_0) settings.stopBits = StopBits(stop);
  const std::uint8_t data = readByte(key, QStringLiteral("cd"));
  if (data >= da6 && data <= da8) settings.dataBits = DataBits(data);
  const std::uint8_t parity = readByte(key, QStringLiteral("cpa"));
  if (parity <= paEven) settings.parity = Parity(parity);

  settings.dtrOn = readByte(key, QStringLiteral("cdtr")) != 0;
  settings.rtsOn = readByte(key, QStringLiteral("crts")) != 0;
  return settings;
}

void writePortSettings(const QString& key, const PortSettings& settings) {
  writeStoredString(key, QStringLiteral("cm"), settings.deviceName);
  writeByte(key, QStringLiteral("cp"), settings.baudRate);
  writeByte(key, QStringLiteral("cs"), settings.stopBits);
  writeByte(key, QStringLiteral("cd"), settings.dataBits);
  writeByte(key, QStringLiteral("cpa"), settings.parity);
  writeByte(key, QStringLiteral("cdtr"), settings.dtrOn ? 1 : 0);
  writeByte(key, QStringLiteral("crts"), settings.rtsOn ? 1 : 0);
}

void loadPortSettings(const QString& key, SerialPort& port, bool& dtrOn, bool& rtsOn) {
  const PortSettings settings = readPortSettings(key);
  port.setDeviceName(settings.deviceName);
  port.setBaudRate(settings.baudRate);
  port.setStopBits(settings.stopBits);
  port.setDataBits(settings.dataBits);
  port.setParity(settings.parity);
  dtrOn = settings.dtrOn;
  rtsOn = settings.rtsOn;
}

void savePortSettings(const QString& key, const SerialPort& port, bool dtrOn, bool rtsOn) {
  PortSettings settings;
  settings.deviceName = port.deviceName();
  settings.baudRate = port.baudRate();
  settings.stopBits = port.stopBits();
  settings.dataBits = port.dataBits();
  settings.parity = port.parity();
  settings.dtrOn = dtrOn;
  settings.rtsOn = rtsOn;
  writePortSettings(key, settings);
}

void applyStartupLine(SerialPort& port, bool& dtrOn, bool& rtsOn) {
  port.setBaudRate(cbr9600);
  port.setDataBits(da8);
  port.setStopBits(sb1_0);
  port.setParity(paNone);
  dtrOn = true;
  rtsOn = true;
}
