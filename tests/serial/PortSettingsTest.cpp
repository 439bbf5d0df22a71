#include "PortSettings.h"

#include "Registry.h"
#include "TComm64.h"
#include "TempSettingsHome.h"

#include <QSettings>

#include <gtest/gtest.h>

#include <cstdint>

namespace {

class PortSettingsStore : public ::testing::Test {
 protected:
  TempSettingsHome home;

  void PutByte(const char* name, std::uint8_t value) { RegWriteBytes(SettingsKey, name, &value, 1); }
  QByteArray Stored(const char* name) {
    return QSettings(home.OrvitaFile(), QSettings::NativeFormat).value(name).toByteArray();
  }
};

TEST_F(PortSettingsStore, FirstRunGivesTheDefaults) {
  const PortSettings s = ReadPortSettings(SettingsKey);
  EXPECT_EQ(s.DeviceName, "ttyS0");
  EXPECT_EQ(s.BaudRate, cbr115200);
  EXPECT_EQ(s.Stopbits, sb1_0);
  EXPECT_EQ(s.Databits, da8);
  EXPECT_EQ(s.Parity, paNone);
  EXPECT_FALSE(s.DtrOn);
  EXPECT_FALSE(s.RtsOn);
}

TEST_F(PortSettingsStore, ValuesInsideTheirRangesAreTaken) {
  RegWriteString(SettingsKey, "cm", "ttyUSB1");
  PutByte("cp", cbr4800);
  PutByte("cs", sb2_0);
  PutByte("cd", da6);
  PutByte("cpa", paEven);
  PutByte("cdtr", 7);
  PutByte("crts", 1);
  const PortSettings s = ReadPortSettings(SettingsKey);
  EXPECT_EQ(s.DeviceName, "ttyUSB1");
  EXPECT_EQ(s.BaudRate, cbr4800);
  EXPECT_EQ(s.Stopbits, sb2_0);
  EXPECT_EQ(s.Databits, da6);
  EXPECT_EQ(s.Parity, paEven);
  EXPECT_TRUE(s.DtrOn);
  EXPECT_TRUE(s.RtsOn);
}

TEST_F(PortSettingsStore, ValuesOutsideTheirRangesGiveTheDefaults) {
  RegWriteString(SettingsKey, "cm", "");
  PutByte("cp", cbr921600);
  PutByte("cs", 3);
  PutByte("cd", da5);
  PutByte("cpa", paMark);
  PutByte("cdtr", 0);
  const PortSettings s = ReadPortSettings(SettingsKey);
  EXPECT_EQ(s.DeviceName, "ttyS0");
  EXPECT_EQ(s.BaudRate, cbr115200);
  EXPECT_EQ(s.Stopbits, sb1_0);
  EXPECT_EQ(s.Databits, da8);
  EXPECT_EQ(s.Parity, paNone);
  EXPECT_FALSE(s.DtrOn);

  PutByte("cp", cbr2400);
  EXPECT_EQ(ReadPortSettings(SettingsKey).BaudRate, cbr115200);
}

TEST_F(PortSettingsStore, EveryValueIsWrittenAsOneByteAsItStands) {
  WritePortSettings(SettingsKey, {"ttyACM0", cbr921600, sb1_5, da5, paSpace, true, false});
  EXPECT_EQ(RegReadString(SettingsKey, "cm"), "ttyACM0");
  EXPECT_EQ(Stored("cp"), QByteArray(1, char(cbr921600)));
  EXPECT_EQ(Stored("cs"), QByteArray(1, char(sb1_5)));
  EXPECT_EQ(Stored("cd"), QByteArray(1, char(da5)));
  EXPECT_EQ(Stored("cpa"), QByteArray(1, char(paSpace)));
  EXPECT_EQ(Stored("cdtr"), QByteArray(1, 1));
  EXPECT_EQ(Stored("crts"), QByteArray(1, 0));
}

TEST_F(PortSettingsStore, StoredTopSpeedIsLoadedAsDefaultAndRunStartsAt9600) {
  PutByte("cp", cbr921600);
  RegWriteString(SettingsKey, "cm", "ttyUSB3");
  PutByte("cpa", paOdd);
  TComm64 port;
  bool dtr = false;
  bool rts = false;
  LoadPortSettings(SettingsKey, port, dtr, rts);
  EXPECT_EQ(port.DeviceName(), "ttyUSB3");
  EXPECT_EQ(port.BaudRate(), cbr115200);
  EXPECT_EQ(port.Parity(), paOdd);
  EXPECT_FALSE(dtr);

  ApplyStartupLine(port, dtr, rts);
  EXPECT_EQ(port.DeviceName(), "ttyUSB3");
  EXPECT_EQ(port.BaudRate(), cbr9600);
  EXPECT_EQ(port.Databits(), da8);
  EXPECT_EQ(port.Stopbits(), sb1_0);
  EXPECT_EQ(port.Parity(), paNone);
  EXPECT_TRUE(dtr);
  EXPECT_TRUE(rts);

  SavePortSettings(SettingsKey, port, dtr, rts);
  EXPECT_EQ(Stored("cp"), QByteArray(1, char(cbr9600)));
  EXPECT_EQ(Stored("cpa"), QByteArray(1, char(paNone)));
  EXPECT_EQ(Stored("cdtr"), QByteArray(1, 1));
  EXPECT_EQ(RegReadString(SettingsKey, "cm"), "ttyUSB3");
}

TEST_F(PortSettingsStore, WrongTypedValueCountsAsAbsent) {
  QSettings(home.OrvitaFile(), QSettings::NativeFormat).setValue("cp", QStringLiteral("5"));
  testing::internal::CaptureStderr();
  EXPECT_EQ(ReadPortSettings(SettingsKey).BaudRate, cbr115200);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("Invalid data type for 'cp'"), std::string::npos);
}

}  // namespace
