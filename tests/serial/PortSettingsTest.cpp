#include <gtest/gtest.h>

#include <QSettings>
#include <cstdint>

#include "files/SettingsStore.h"
#include "serial/PortSettings.h"
#include "serial/SerialPort.h"
#include "tests/files/TempSettingsHome.h"

namespace {

class PortSettingsStore : public ::testing::Test {
 protected:
  TempSettingsHome home;

  void putByte(const char* name, std::uint8_t value) { writeStoredBytes(SettingsKey, name, &value, 1); }
  QByteArray Stored(const char* name) {
    return QSettings(home.orvitaFile(), QSettings::NativeFormat).value(name).toByteArray();
  }
};

TEST_F(PortSettingsStore, FirstRunGivesTheDefaults) {
  const PortSettings s = readPortSettings(SettingsKey);
  EXPECT_EQ(s.deviceName, "ttyS0");
  EXPECT_EQ(s.baudRate, cbr115200);
  EXPECT_EQ(s.stopBits, sb1_0);
  EXPECT_EQ(s.dataBits, da8);
  EXPECT_EQ(s.parity, paNone);
  EXPECT_FALSE(s.dtrOn);
  EXPECT_FALSE(s.rtsOn);
}

TEST_F(PortSettingsStore, ValuesInsideTheirRangesAreTaken) {
  writeStoredString(SettingsKey, "cm", "ttyUSB1");
  putByte("cp", cbr4800);
  putByte("cs", sb2_0);
  putByte("cd", da6);
  putByte("cpa", paEven);
  putByte("cdtr", 7);
  putByte("crts", 1);
  const PortSettings s = readPortSettings(SettingsKey);
  EXPECT_EQ(s.deviceName, "ttyUSB1");
  EXPECT_EQ(s.baudRate, cbr4800);
  EXPECT_EQ(s.stopBits, sb2_0);
  EXPECT_EQ(s.dataBits, da6);
  EXPECT_EQ(s.parity, paEven);
  EXPECT_TRUE(s.dtrOn);
  EXPECT_TRUE(s.rtsOn);
}

TEST_F(PortSettingsStore, ValuesOutsideTheirRangesGiveTheDefaults) {
  writeStoredString(SettingsKey, "cm", "");
  putByte("cp", cbr921600);
  putByte("cs", 3);
  putByte("cd", da5);
  putByte("cpa", paMark);
  putByte("cdtr", 0);
  const PortSettings s = readPortSettings(SettingsKey);
  EXPECT_EQ(s.deviceName, "ttyS0");
  EXPECT_EQ(s.baudRate, cbr115200);
  EXPECT_EQ(s.stopBits, sb1_0);
  EXPECT_EQ(s.dataBits, da8);
  EXPECT_EQ(s.parity, paNone);
  EXPECT_FALSE(s.dtrOn);

  putByte("cp", cbr2400);
  EXPECT_EQ(readPortSettings(SettingsKey).baudRate, cbr115200);
}

TEST_F(PortSettingsStore, EveryValueIsWrittenAsOneByteAsItStands) {
  writePortSettings(SettingsKey, {"ttyACM0", cbr921600, sb1_5, da5, paSpace, true, false});
  EXPECT_EQ(readStoredString(SettingsKey, "cm"), "ttyACM0");
  EXPECT_EQ(Stored("cp"), QByteArray(1, char(cbr921600)));
  EXPECT_EQ(Stored("cs"), QByteArray(1, char(sb1_5)));
  EXPECT_EQ(Stored("cd"), QByteArray(1, char(da5)));
  EXPECT_EQ(Stored("cpa"), QByteArray(1, char(paSpace)));
  EXPECT_EQ(Stored("cdtr"), QByteArray(1, 1));
  EXPECT_EQ(Stored("crts"), QByteArray(1, 0));
}

TEST_F(PortSettingsStore, StoredTopSpeedIsLoadedAsDefaultAndRunStartsAt9600) {
  putByte("cp", cbr921600);
  writeStoredString(SettingsKey, "cm", "ttyUSB3");
  putByte("cpa", paOdd);
  SerialPort port;
  bool dtr = false;
  bool rts = false;
  loadPortSettings(SettingsKey, port, dtr, rts);
  EXPECT_EQ(port.deviceName(), "ttyUSB3");
  EXPECT_EQ(port.baudRate(), cbr115200);
  EXPECT_EQ(port.parity(), paOdd);
  EXPECT_FALSE(dtr);

  applyStartupLine(port, dtr, rts);
  EXPECT_EQ(port.deviceName(), "ttyUSB3");
  EXPECT_EQ(port.baudRate(), cbr9600);
  EXPECT_EQ(port.dataBits(), da8);
  EXPECT_EQ(port.stopBits(), sb1_0);
  EXPECT_EQ(port.parity(), paNone);
  EXPECT_TRUE(dtr);
  EXPECT_TRUE(rts);

  savePortSettings(SettingsKey, port, dtr, rts);
  EXPECT_EQ(Stored("cp"), QByteArray(1, char(cbr9600)));
  EXPECT_EQ(Stored("cpa"), QByteArray(1, char(paNone)));
  EXPECT_EQ(Stored("cdtr"), QByteArray(1, 1));
  EXPECT_EQ(readStoredString(SettingsKey, "cm"), "ttyUSB3");
}

TEST_F(PortSettingsStore, WrongTypedValueCountsAsAbsent) {
  QSettings(home.orvitaFile(), QSettings::NativeFormat).setValue("cp", QStringLiteral("5"));
  testing::internal::CaptureStderr();
  EXPECT_EQ(readPortSettings(SettingsKey).baudRate, cbr115200);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("Invalid data type for 'cp'"), std::string::npos);
}

}  // namespace
