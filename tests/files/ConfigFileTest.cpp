#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <csignal>

#include "ConfigFile.h"

namespace {

BarrierConfig Numbered(std::uint8_t first) {
  BarrierConfig config;
  for (std::size_t i = 0; i < BarrierConfig::Size; ++i) config[i] = std::uint8_t(first + i);
  return config;
}

QByteArray Bytes(const BarrierConfig& config) {
  return QByteArray(reinterpret_cast<const char*>(config.bytes.data()), qsizetype(config.bytes.size()));
}

void WriteRaw(const QString& path, const QByteArray& data) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  ASSERT_EQ(file.write(data), data.size());
}

QByteArray ReadRaw(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class ConfigFileTest : public ::testing::Test {
 protected:
  QString Path(const QString& name) const { return dir.filePath(name); }
  QStringList Entries() const {
    return QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
  }
  QTemporaryDir dir;
};

TEST_F(ConfigFileTest, WrittenFileIsExactlyTheThirtyTwoBytesAndReadsBack) {
  const BarrierConfig written = Numbered(200);  // wraps through 0, so every byte value position differs
  ASSERT_TRUE(WriteConfigFile(Path("a.acc"), written));
  EXPECT_EQ(ReadRaw(Path("a.acc")), Bytes(written));

  BarrierConfig read;
  const ConfigFileResult result = ReadConfigFile(Path("a.acc"), read);
  EXPECT_TRUE(result.Ok());
  EXPECT_TRUE(result.Message().isEmpty());
  EXPECT_EQ(read, written);
  EXPECT_EQ(Entries(), QStringList{"a.acc"}) << "no temporary file is left behind";
}

TEST_F(ConfigFileTest, ALongerFileLoadsItsFirstThirtyTwoBytes) {
  WriteRaw(Path("long.acc"), Bytes(Numbered(1)) + QByteArray(10, '\x77'));
  BarrierConfig read;
  ASSERT_TRUE(ReadConfigFile(Path("long.acc"), read));
  EXPECT_EQ(read, Numbered(1));
}

TEST_F(ConfigFileTest, AShortFileFailsAndLeavesTheRecordAlone) {
  WriteRaw(Path("short.acc"), Bytes(Numbered(1)).left(31));
  BarrierConfig read = Numbered(100);
  const ConfigFileResult result = ReadConfigFile(Path("short.acc"), read);
  EXPECT_EQ(result.error, ConfigFileError::ReadBeyondEnd);
  EXPECT_EQ(result.Message(), "Read beyond end of file");
  EXPECT_EQ(read, Numbered(100));
}

TEST_F(ConfigFileTest, AMissingFileAndAMissingFolderAreToldApart) {
  BarrierConfig read;
  const ConfigFileResult noFile = ReadConfigFile(Path("none.acc"), read);
  EXPECT_EQ(noFile.Message(), "File not found");
  const ConfigFileResult noFolder = ReadConfigFile(Path("nowhere/none.acc"), read);
  EXPECT_EQ(noFolder.Message(), "Invalid filename");
  EXPECT_EQ(ReadConfigFile(QString(), read).Message(), "Invalid filename");
}

TEST_F(ConfigFileTest, AReadOnlyFileLoads) {
  WriteRaw(Path("template.acc"), Bytes(Numbered(3)));
  ASSERT_TRUE(QFile::setPermissions(Path("template.acc"), QFileDevice::ReadOwner | QFileDevice::ReadGroup));
  BarrierConfig read;
  EXPECT_TRUE(ReadConfigFile(Path("template.acc"), read))
      << ReadConfigFile(Path("template.acc"), read).Message().toStdString();
  EXPECT_EQ(read, Numbered(3));
}

TEST_F(ConfigFileTest, AFolderInPlaceOfTheFileIsAccessDenied) {
  ASSERT_TRUE(QDir(dir.path()).mkdir("folder.acc"));
  BarrierConfig read;
  EXPECT_EQ(ReadConfigFile(Path("folder.acc"), read).Message(), "File access denied");
  EXPECT_EQ(WriteConfigFile(Path("folder.acc"), Numbered(0)).Message(), "File access denied");
}

TEST_F(ConfigFileTest, SavingReplacesAnExistingFileAndKeepsItsPermissions) {
  WriteRaw(Path("b.acc"), QByteArray(50, 'x'));
  ASSERT_TRUE(QFile::setPermissions(Path("b.acc"), QFileDevice::ReadOwner | QFileDevice::WriteOwner));
  ASSERT_TRUE(WriteConfigFile(Path("b.acc"), Numbered(9)));
  EXPECT_EQ(ReadRaw(Path("b.acc")), Bytes(Numbered(9)));
  EXPECT_EQ(
      QFile::permissions(Path("b.acc")) & (QFileDevice::ReadGroup | QFileDevice::ReadOther | QFileDevice::WriteOwner),
      QFileDevice::WriteOwner);
}

TEST_F(ConfigFileTest, SavingThroughASymbolicLinkWritesTheFileItNames) {
  WriteRaw(Path("real.acc"), Bytes(Numbered(1)));
  ASSERT_TRUE(QFile::link(Path("real.acc"), Path("link.acc")));
  ASSERT_TRUE(WriteConfigFile(Path("link.acc"), Numbered(5)));
  EXPECT_TRUE(QFileInfo(Path("link.acc")).isSymLink());
  EXPECT_EQ(ReadRaw(Path("real.acc")), Bytes(Numbered(5)));
}

TEST_F(ConfigFileTest, SavingIntoAMissingFolderIsAnInvalidFilename) {
  const ConfigFileResult result = WriteConfigFile(Path("nowhere/c.acc"), Numbered(0));
  EXPECT_EQ(result.error, ConfigFileError::InvalidFilename);
  EXPECT_EQ(result.Message(), "Invalid filename");
}

TEST_F(ConfigFileTest, SavingOverAReadOnlyFileIsRefusedAndKeepsIt) {
  if (::geteuid() == 0) GTEST_SKIP() << "root may write any file";
  WriteRaw(Path("ro.acc"), Bytes(Numbered(1)));
  ASSERT_TRUE(QFile::setPermissions(Path("ro.acc"), QFileDevice::ReadOwner));
  EXPECT_EQ(WriteConfigFile(Path("ro.acc"), Numbered(7)).Message(), "File access denied");
  EXPECT_EQ(ReadRaw(Path("ro.acc")), Bytes(Numbered(1)));
}

TEST_F(ConfigFileTest, AFullDeviceReportsDiskFull) {
  if (!QFileInfo::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  EXPECT_EQ(WriteConfigFile("/dev/full", Numbered(0)).Message(), "Disk full");
}

// A file size limit below 32 bytes makes the second half of the write fail
// (EFBIG), as a full disk would.
TEST_F(ConfigFileTest, AFailedWriteLeavesThePreviousFileIntact) {
  WriteRaw(Path("keep.acc"), Bytes(Numbered(1)));
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit old{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
  rlimit small = old;
  small.rlim_cur = 16;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const ConfigFileResult result = WriteConfigFile(Path("keep.acc"), Numbered(50));
  ::setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, oldHandler);

  EXPECT_EQ(result.error, ConfigFileError::DiskFull);
  EXPECT_EQ(result.Message(), "Disk full");
  EXPECT_EQ(ReadRaw(Path("keep.acc")), Bytes(Numbered(1)));
  EXPECT_EQ(Entries(), QStringList{"keep.acc"}) << "the partial temporary file is removed";
}

TEST(ConfigFileMessage, OtherFailuresNameTheSystemErrorNumber) {
  ConfigFileResult result;
  result.error = ConfigFileError::Other;
  result.systemError = 5;
  EXPECT_EQ(result.Message(), "I/O error 5");
  result.error = ConfigFileError::TooManyOpenFiles;
  EXPECT_EQ(result.Message(), "Too many open files");
}

}  // namespace
