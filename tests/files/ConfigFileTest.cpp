#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <csignal>

#include "files/ConfigFile.h"
#include "tests/ActingAs.h"

namespace {

BarrierConfig numbered(std::uint8_t first) {
  BarrierConfig config;
  for (std::size_t i = 0; i < BarrierConfig::Size; ++i) config[i] = std::uint8_t(first + i);
  return config;
}

QByteArray Bytes(const BarrierConfig& config) {
  return QByteArray(reinterpret_cast<const char*>(config.bytes.data()), qsizetype(config.bytes.size()));
}

void writeRaw(const QString& path, const QByteArray& data) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  ASSERT_EQ(file.write(data), data.size());
}

QByteArray readRaw(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class ConfigFileTest : public ::testing::Test {
 protected:
  QString path(const QString& name) const { return dir.filePath(name); }
  QStringList entries() const {
    return QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
  }
  QTemporaryDir dir;
};

TEST_F(ConfigFileTest, WrittenFileIsExactlyTheThirtyTwoBytesAndReadsBack) {
  const BarrierConfig written = numbered(200);  // wraps through 0, so every byte value position differs
  ASSERT_TRUE(writeConfigFile(path("a.acc"), written));
  EXPECT_EQ(readRaw(path("a.acc")), Bytes(written));

  BarrierConfig read;
  const ConfigFileResult result = readConfigFile(path("a.acc"), read);
  EXPECT_TRUE(result.ok());
  EXPECT_TRUE(result.message().isEmpty());
  EXPECT_EQ(read, written);
  EXPECT_EQ(entries(), QStringList{"a.acc"}) << "no temporary file is left behind";
}

TEST_F(ConfigFileTest, ALongerFileLoadsItsFirstThirtyTwoBytes) {
  writeRaw(path("long.acc"), Bytes(numbered(1)) + QByteArray(10, '\x77'));
  BarrierConfig read;
  ASSERT_TRUE(readConfigFile(path("long.acc"), read));
  EXPECT_EQ(read, numbered(1));
}

TEST_F(ConfigFileTest, AShortFileFailsAndLeavesTheRecordAlone) {
  writeRaw(path("short.acc"), Bytes(numbered(1)).left(31));
  BarrierConfig read = numbered(100);
  const ConfigFileResult result = readConfigFile(path("short.acc"), read);
  EXPECT_EQ(result.error, ConfigFileError::ReadBeyondEnd);
  EXPECT_EQ(result.message(), "Read beyond end of file");
  EXPECT_EQ(read, numbered(100));
}

TEST_F(ConfigFileTest, AMissingFileAndAMissingFolderAreToldApart) {
  BarrierConfig read;
  const ConfigFileResult noFile = readConfigFile(path("none.acc"), read);
  EXPECT_EQ(noFile.message(), "File not found");
  const ConfigFileResult noFolder = readConfigFile(path("nowhere/none.acc"), read);
  EXPECT_EQ(noFolder.message(), "Invalid filename");
  EXPECT_EQ(readConfigFile(QString(), read).message(), "Invalid filename");
}

TEST_F(ConfigFileTest, AReadOnlyFileLoads) {
  writeRaw(path("template.acc"), Bytes(numbered(3)));
  ASSERT_TRUE(QFile::setPermissions(path("template.acc"), QFileDevice::ReadOwner | QFileDevice::ReadGroup));
  BarrierConfig read;
  EXPECT_TRUE(readConfigFile(path("template.acc"), read))
      << readConfigFile(path("template.acc"), read).message().toStdString();
  EXPECT_EQ(read, numbered(3));
}

TEST_F(ConfigFileTest, AFolderInPlaceOfTheFileIsAccessDenied) {
  ASSERT_TRUE(QDir(dir.path()).mkdir("folder.acc"));
  BarrierConfig read;
  EXPECT_EQ(readConfigFile(path("folder.acc"), read).message(), "File access denied");
  EXPECT_EQ(writeConfigFile(path("folder.acc"), numbered(0)).message(), "File access denied");
}

TEST_F(ConfigFileTest, SavingReplacesAnExistingFileAndKeepsItsPermissions) {
  writeRaw(path("b.acc"), QByteArray(50, 'x'));
  ASSERT_TRUE(QFile::setPermissions(path("b.acc"), QFileDevice::ReadOwner | QFileDevice::WriteOwner));
  ASSERT_TRUE(writeConfigFile(path("b.acc"), numbered(9)));
  EXPECT_EQ(readRaw(path("b.acc")), Bytes(numbered(9)));
  EXPECT_EQ(
      QFile::permissions(path("b.acc")) & (QFileDevice::ReadGroup | QFileDevice::ReadOther | QFileDevice::WriteOwner),
      QFileDevice::WriteOwner);
}

TEST_F(ConfigFileTest, SavingThroughASymbolicLinkWritesTheFileItNames) {
  writeRaw(path("real.acc"), Bytes(numbered(1)));
  ASSERT_TRUE(QFile::link(path("real.acc"), path("link.acc")));
  ASSERT_TRUE(writeConfigFile(path("link.acc"), numbered(5)));
  EXPECT_TRUE(QFileInfo(path("link.acc")).isSymLink());
  EXPECT_EQ(readRaw(path("real.acc")), Bytes(numbered(5)));
}

TEST_F(ConfigFileTest, SavingIntoAMissingFolderIsAnInvalidFilename) {
  const ConfigFileResult result = writeConfigFile(path("nowhere/c.acc"), numbered(0));
  EXPECT_EQ(result.error, ConfigFileError::InvalidFilename);
  EXPECT_EQ(result.message(), "Invalid filename");
}

TEST_F(ConfigFileTest, SavingOverAReadOnlyFileIsRefusedAndKeepsIt) {
  writeRaw(path("ro.acc"), Bytes(numbered(1)));
  ASSERT_TRUE(QFile::setPermissions(path("ro.acc"), QFileDevice::ReadOwner));
  // Root writes any file: the file and its folder become another user's, who acts.
  if (::geteuid() == 0) {
    ASSERT_EQ(::chown(QFile::encodeName(dir.path()).constData(), Nobody, Nobody), 0);
    ASSERT_EQ(::chown(QFile::encodeName(path("ro.acc")).constData(), Nobody, Nobody), 0);
  }
  ConfigFileResult result;
  {
    const ActingAs owner(Nobody);
    result = writeConfigFile(path("ro.acc"), numbered(7));
  }
  EXPECT_EQ(result.message(), "File access denied");
  EXPECT_EQ(readRaw(path("ro.acc")), Bytes(numbered(1)));
}

TEST_F(ConfigFileTest, SavingNeverCreatesAFileWhereADanglingLinkPoints) {
  ASSERT_TRUE(QFile::link(path("planted.acc"), path("dangling.acc")));
  const ConfigFileResult result = writeConfigFile(path("dangling.acc"), numbered(2));
  EXPECT_EQ(result.error, ConfigFileError::DanglingLink);
  EXPECT_TRUE(result.message().contains("dowiązanie")) << result.message().toStdString();
  EXPECT_FALSE(QFileInfo::exists(path("planted.acc")));
}

// Another user's link in a folder others may write to (/tmp) may lead to any
// file the user, or root, may write; the user's own link, and the folder
// owner's, are theirs to follow. Every output is written under this one rule.
// Needs root to plant links as other users; the test acts as Nobody.
TEST_F(ConfigFileTest, ALinkIsFollowedUnlessAnotherUserMayHavePlantedIt) {
  if (!isRoot()) GTEST_SKIP() << "needs root to own links as other users";
  ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 0711), 0);
  const QString victim = path("victim.acc");
  writeRaw(victim, Bytes(numbered(1)));
  ASSERT_TRUE(setOwnerAndMode(victim, Nobody, 0600));
  const QString sticky = path("sticky"), group = path("group");
  ASSERT_TRUE(QDir(dir.path()).mkdir("sticky"));
  ASSERT_TRUE(setOwnerAndMode(sticky, 0, 01777));
  ASSERT_TRUE(QDir(dir.path()).mkdir("group"));
  ASSERT_TRUE(setOwnerAndMode(group, 0, 0775));
  ASSERT_TRUE(plantLink(victim, sticky + "/theirs.acc", Stranger));
  ASSERT_TRUE(plantLink(victim, group + "/theirs.acc", Stranger));
  ASSERT_TRUE(plantLink(victim, sticky + "/owners.acc", 0));
  ASSERT_TRUE(plantLink(victim, sticky + "/mine.acc", Nobody));

  const ActingAs user(Nobody);
  for (const QString& planted : {sticky + "/theirs.acc", group + "/theirs.acc"}) {
    const ConfigFileResult result = writeConfigFile(planted, numbered(9));
    EXPECT_EQ(result.error, ConfigFileError::ForeignLink) << planted.toStdString();
    EXPECT_TRUE(result.message().contains("innego użytkownika")) << result.message().toStdString();
    EXPECT_EQ(readRaw(victim), Bytes(numbered(1)));
  }
  const ConfigFileResult owners = writeConfigFile(sticky + "/owners.acc", numbered(5));
  EXPECT_TRUE(owners) << owners.message().toStdString();
  EXPECT_EQ(readRaw(victim), Bytes(numbered(5)));
  const ConfigFileResult mine = writeConfigFile(sticky + "/mine.acc", numbered(6));
  EXPECT_TRUE(mine) << mine.message().toStdString();
  EXPECT_EQ(readRaw(victim), Bytes(numbered(6)));
  EXPECT_TRUE(QFileInfo(sticky + "/mine.acc").isSymLink());
}

TEST_F(ConfigFileTest, APipeOrADeviceIsRefusedAtOnceInsteadOfHangingOrTakingTheBytes) {
  ASSERT_EQ(::mkfifo(QFile::encodeName(path("pipe.acc")).constData(), 0600), 0);
  BarrierConfig read = numbered(4);
  EXPECT_EQ(writeConfigFile(path("pipe.acc"), numbered(0)).error, ConfigFileError::NotRegularFile);
  EXPECT_EQ(readConfigFile(path("pipe.acc"), read).message(), "To nie jest zwykły plik");
  EXPECT_EQ(writeConfigFile("/dev/null", numbered(0)).message(), "To nie jest zwykły plik");
  EXPECT_EQ(readConfigFile("/dev/zero", read).error, ConfigFileError::NotRegularFile);
  EXPECT_EQ(read, numbered(4));
}

TEST_F(ConfigFileTest, TheLongestLegalNameSavesAndLoads) {
  // 120 two-byte letters and ".acc": 244 bytes, within the usual 255.
  const QString name = QString(120, QChar(0x017C)) + ".acc";
  ASSERT_EQ(QFile::encodeName(name).size(), 244);
  const ConfigFileResult result = writeConfigFile(path(name), numbered(8));
  ASSERT_TRUE(result) << result.message().toStdString();
  ASSERT_TRUE(writeConfigFile(path(name), numbered(9)));  // and once more over the existing file
  BarrierConfig read;
  ASSERT_TRUE(readConfigFile(path(name), read));
  EXPECT_EQ(read, numbered(9));
  EXPECT_EQ(entries(), QStringList{name});
}

// Someone else's file in a shared folder with the sticky bit: the user may
// write it but not replace it. Needs root to play both users.
TEST_F(ConfigFileTest, AFileTheUserMayWriteButNotReplaceIsWrittenInPlace) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to act as a second user";
  ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 0711), 0);
  const QString shared = path("shared");
  ASSERT_TRUE(QDir(dir.path()).mkdir("shared"));
  ASSERT_EQ(::chmod(QFile::encodeName(shared).constData(), 01777), 0);
  const QString theirs = shared + "/theirs.acc";
  writeRaw(theirs, Bytes(numbered(1)) + QByteArray(8, 'x'));
  ASSERT_EQ(::chmod(QFile::encodeName(theirs).constData(), 0666), 0);

  ConfigFileResult result;
  {
    const ActingAs someoneElse(Nobody);
    result = writeConfigFile(theirs, numbered(9));
  }

  EXPECT_TRUE(result) << result.message().toStdString();
  EXPECT_EQ(readRaw(theirs), Bytes(numbered(9)));
  EXPECT_EQ(QDir(shared).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList{"theirs.acc"});
}

// A file size limit below 32 bytes makes the second half of the write fail
// (EFBIG), as a full disk would.
TEST_F(ConfigFileTest, AFailedWriteLeavesThePreviousFileIntact) {
  writeRaw(path("keep.acc"), Bytes(numbered(1)));
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit old{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
  rlimit small = old;
  small.rlim_cur = 16;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const ConfigFileResult result = writeConfigFile(path("keep.acc"), numbered(50));
  ::setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, oldHandler);

  EXPECT_EQ(result.error, ConfigFileError::DiskFull);
  EXPECT_EQ(result.message(), "Disk full");
  EXPECT_EQ(readRaw(path("keep.acc")), Bytes(numbered(1)));
  EXPECT_EQ(entries(), QStringList{"keep.acc"}) << "the partial temporary file is removed";
}

TEST_F(ConfigFileTest, OtherFailuresGiveTheSystemsMessageInWords) {
  ASSERT_TRUE(QFile::link(path("b.acc"), path("a.acc")));
  ASSERT_TRUE(QFile::link(path("a.acc"), path("b.acc")));
  BarrierConfig read;
  const ConfigFileResult loop = readConfigFile(path("a.acc"), read);
  EXPECT_EQ(loop.error, ConfigFileError::Other);
  EXPECT_EQ(loop.message(), "Too many levels of symbolic links");

  ConfigFileResult described;
  described.error = ConfigFileError::TooManyOpenFiles;
  described.systemError = EMFILE;
  EXPECT_EQ(described.message(), "Too many open files");
}

}  // namespace
