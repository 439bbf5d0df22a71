#include "Registry.h"

#include "TempSettingsHome.h"

#include <QDir>
#include <QFile>
#include <QSettings>

#include <gtest/gtest.h>

#include <array>
#include <cstdint>

namespace {

class Registry : public ::testing::Test {
 protected:
  TempSettingsHome home;
  // The store as QSettings sees it, to plant values of other types.
  QSettings Store() { return QSettings(home.OrvitaFile(), QSettings::NativeFormat); }
};

TEST_F(Registry, StringValueIsEmptyUntilWrittenAndThenReadsBack) {
  EXPECT_EQ(RegReadString(SettingsKey, "cm"), QString());
  RegWriteString(SettingsKey, "cm", QStringLiteral("ttyUSB0"));
  EXPECT_EQ(RegReadString(SettingsKey, "cm"), QStringLiteral("ttyUSB0"));
  EXPECT_TRUE(QFile::exists(home.OrvitaFile()));
}

TEST_F(Registry, KeyPathNamesOrganisationAndApplicationByItsLastTwoComponents) {
  RegWriteString(SettingsKey, "cm", QStringLiteral("ttyS2"));
  EXPECT_EQ(RegReadString(QStringLiteral("Dravel/Orvita"), "cm"), QStringLiteral("ttyS2"));
  EXPECT_EQ(RegReadString(QStringLiteral("Software\\Dravel\\Other"), "cm"), QString());
  EXPECT_EQ(Store().value("cm").toString(), QStringLiteral("ttyS2"));
}

TEST_F(Registry, ByteValueIsStoredAsExactlyItsBytes) {
  const std::uint8_t bytes[3] = {0, 0x80, 0xFF};
  RegWriteBytes(SettingsKey, "cp", bytes, 3);
  const QVariant stored = Store().value("cp");
  EXPECT_EQ(stored.typeId(), QMetaType::QByteArray);
  EXPECT_EQ(stored.toByteArray(), QByteArray("\x00\x80\xFF", 3));
}

TEST_F(Registry, ReadingBytesZeroFillsTheBufferAndCountsWhatWasRead) {
  std::array<std::uint8_t, 16> buffer;
  buffer.fill(0xAA);
  EXPECT_EQ(RegReadBytes(SettingsKey, "place", buffer.data(), 16), 0);
  EXPECT_EQ(buffer, (std::array<std::uint8_t, 16>{}));

  const std::uint8_t bytes[3] = {1, 2, 3};
  RegWriteBytes(SettingsKey, "place", bytes, 3);
  buffer.fill(0xAA);
  EXPECT_EQ(RegReadBytes(SettingsKey, "place", buffer.data(), 16), 3);
  EXPECT_EQ(buffer, (std::array<std::uint8_t, 16>{1, 2, 3}));
}

TEST_F(Registry, ValueOfWrongTypeIsReportedAndReadsAsAbsent) {
  {
    QSettings store = Store();
    store.setValue("cp", QStringLiteral("12"));  // as a hand-edited file would hold it
    store.setValue("cm", QByteArray("\x01", 1));
    store.setValue("big", QByteArray(17, 'x'));
  }
  std::uint8_t byte = 0x55;
  testing::internal::CaptureStderr();
  EXPECT_EQ(RegReadBytes(SettingsKey, "cp", &byte, 1), 0);
  EXPECT_EQ(byte, 0);
  EXPECT_EQ(RegReadString(SettingsKey, "cm"), QString());
  std::array<std::uint8_t, 16> buffer{};
  EXPECT_EQ(RegReadBytes(SettingsKey, "big", buffer.data(), 16), 0);
  EXPECT_EQ(buffer, (std::array<std::uint8_t, 16>{}));
  const std::string errors = testing::internal::GetCapturedStderr();
  EXPECT_NE(errors.find("Invalid data type for 'cp'\n"), std::string::npos) << errors;
  EXPECT_NE(errors.find("Invalid data type for 'cm'\n"), std::string::npos) << errors;
  EXPECT_NE(errors.find("Invalid data type for 'big'\n"), std::string::npos) << errors;
}

TEST_F(Registry, HandWrittenFileIsReadWithItsTypes) {
  QDir().mkpath(home.Path() + "/Dravel");
  QFile file(home.OrvitaFile());
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("[General]\ncm=ttyACM0\ncp=@ByteArray(\\x6)\n");
  file.close();
  EXPECT_EQ(RegReadString(SettingsKey, "cm"), QStringLiteral("ttyACM0"));
  std::uint8_t byte = 0;
  EXPECT_EQ(RegReadBytes(SettingsKey, "cp", &byte, 1), 1);
  EXPECT_EQ(byte, 6);
}

TEST(RegistryStore, StoreThatCannotBeCreatedIsSilentAndReadsAsEmpty) {
  TempSettingsHome home;
  // A folder below a regular file can never be made, not even by root.
  QFile blocker(home.Path() + "/blocker");
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, blocker.fileName() + "/config");

  testing::internal::CaptureStderr();
  RegWriteString(SettingsKey, "cm", QStringLiteral("ttyS3"));
  const std::uint8_t one = 1;
  RegWriteBytes(SettingsKey, "cdtr", &one, 1);
  EXPECT_EQ(RegReadString(SettingsKey, "cm"), QString());
  std::uint8_t byte = 0x55;
  EXPECT_EQ(RegReadBytes(SettingsKey, "cdtr", &byte, 1), 0);
  EXPECT_EQ(byte, 0);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

}  // namespace
