#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSettings>
#include <array>
#include <cstdint>

#include "files/SettingsStore.h"
#include "tests/files/TempSettingsHome.h"

namespace {

class Registry : public ::testing::Test {
 protected:
  TempSettingsHome home;
  // The store as QSettings sees it, to plant values of other types.
  QSettings rawStore() { return QSettings(home.orvitaFile(), QSettings::NativeFormat); }
};

TEST_F(Registry, StringValueIsEmptyUntilWrittenAndThenReadsBack) {
  EXPECT_EQ(readStoredString(SettingsKey, "cm"), QString());
  writeStoredString(SettingsKey, "cm", QStringLiteral("ttyUSB0"));
  EXPECT_EQ(readStoredString(SettingsKey, "cm"), QStringLiteral("ttyUSB0"));
  EXPECT_TRUE(QFile::exists(home.orvitaFile()));
}

TEST_F(Registry, KeyPathNamesOrganisationAndApplicationByItsLastTwoComponents) {
  writeStoredString(SettingsKey, "cm", QStringLiteral("ttyS2"));
  EXPECT_EQ(readStoredString(QStringLiteral("Dravel/Orvita"), "cm"), QStringLiteral("ttyS2"));
  EXPECT_EQ(readStoredString(QStringLiteral("Software\\Dravel\\Other"), "cm"), QString());
  EXPECT_EQ(rawStore().value("cm").toString(), QStringLiteral("ttyS2"));
}

TEST_F(Registry, ByteValueIsStoredAsExactlyItsBytes) {
  const std::uint8_t bytes[3] = {0, 0x80, 0xFF};
  writeStoredBytes(SettingsKey, "cp", bytes, 3);
  const QVariant stored = rawStore().value("cp");
  EXPECT_EQ(stored.typeId(), QMetaType::QByteArray);
  EXPECT_EQ(stored.toByteArray(), QByteArray("\x00\x80\xFF", 3));
}

TEST_F(Registry, ReadingBytesZeroFillsTheBufferAndCountsWhatWasRead) {
  std::array<std::uint8_t, 16> buffer;
  buffer.fill(0xAA);
  EXPECT_EQ(readStoredBytes(SettingsKey, "place", buffer.data(), 16), 0);
  EXPECT_EQ(buffer, (std::array<std::uint8_t, 16>{}));

  const std::uint8_t bytes[3] = {1, 2, 3};
  writeStoredBytes(SettingsKey, "place", bytes, 3);
  buffer.fill(0xAA);
  EXPECT_EQ(readStoredBytes(SettingsKey, "place", buffer.data(), 16), 3);
  EXPECT_EQ(buffer, (std::array<std::uint8_t, 16>{1, 2, 3}));
}

TEST_F(Registry, ValueOfWrongTypeIsReportedAndReadsAsAbsent) {
  {
    QSettings store = rawStore();
    store.setValue("cp", QStringLiteral("12"));  // as a hand-edited file would hold it
    store.setValue("cm", QByteArray("\x01", 1));
    store.setValue("big", QByteArray(17, 'x'));
  }
  std::uint8_t byte = 0x55;
  testing::internal::CaptureStderr();
  EXPECT_EQ(readStoredBytes(SettingsKey, "cp", &byte, 1), 0);
  EXPECT_EQ(byte, 0);
  EXPECT_EQ(readStoredString(SettingsKey, "cm"), QString());
  std::array<std::uint8_t, 16> buffer{};
  EXPECT_EQ(readStoredBytes(SettingsKey, "big", buffer.data(), 16), 0);
  EXPECT_EQ(buffer, (std::array<std::uint8_t, 16>{}));
  const std::string errors = testing::internal::GetCapturedStderr();
  EXPECT_NE(errors.find("Invalid data type for 'cp'\n"), std::string::npos) << errors;
  EXPECT_NE(errors.find("Invalid data type for 'cm'\n"), std::string::npos) << errors;
  EXPECT_NE(errors.find("Invalid data type for 'big'\n"), std::string::npos) << errors;
}

TEST_F(Registry, HandWrittenFileIsReadWithItsTypes) {
  QDir().mkpath(home.path() + "/Dravel");
  QFile file(home.orvitaFile());
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("[General]\ncm=ttyACM0\ncp=@ByteArray(\\x6)\n");
  file.close();
  EXPECT_EQ(readStoredString(SettingsKey, "cm"), QStringLiteral("ttyACM0"));
  std::uint8_t byte = 0;
  EXPECT_EQ(readStoredBytes(SettingsKey, "cp", &byte, 1), 1);
  EXPECT_EQ(byte, 6);
}

TEST(RegistryStore, StoreThatCannotBeCreatedIsSilentAndReadsAsEmpty) {
  TempSettingsHome home;
  // A folder below a regular file can never be made, not even by root.
  QFile blocker(home.path() + "/blocker");
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, blocker.fileName() + "/config");

  testing::internal::CaptureStderr();
  writeStoredString(SettingsKey, "cm", QStringLiteral("ttyS3"));
  const std::uint8_t one = 1;
  writeStoredBytes(SettingsKey, "cdtr", &one, 1);
  EXPECT_EQ(readStoredString(SettingsKey, "cm"), QString());
  std::uint8_t byte = 0x55;
  EXPECT_EQ(readStoredBytes(SettingsKey, "cdtr", &byte, 1), 0);
  EXPECT_EQ(byte, 0);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

}  // namespace
