#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <array>
#include <cstdint>
#include <vector>

#include "util/HexText.h"
#include "util/LogLineWriter.h"
#include "util/NumberText.h"
#include "util/UserFolder.h"
#include "util/VersionText.h"

namespace {

QString beams(std::uint8_t byte) { return beamListText(std::array<std::uint8_t, 1>{byte}); }

}  // namespace

TEST(NumToHex, WritesAnEvenNumberOfUpperCaseDigits) {
  EXPECT_EQ(numToHex(0), "00");
  EXPECT_EQ(numToHex(5), "05");
  EXPECT_EQ(numToHex(255), "FF");
  EXPECT_EQ(numToHex(291), "0123");
  EXPECT_EQ(numToHex(419), "01A3");
  EXPECT_EQ(numToHex(0xAAAA), "AAAA");
  EXPECT_EQ(numToHex(0xFFFFFFFFu), "FFFFFFFF");
}

TEST(HexDump, GivesTwoDigitsAndABlankPerByte) {
  EXPECT_EQ(hexDump(std::array<std::uint8_t, 5>{255, 255, 2, 0, 1}), "FF FF 02 00 01 ");
  EXPECT_EQ(hexDump(std::array<std::uint8_t, 3>{1, 2, 3}), "01 02 03 ");
  EXPECT_EQ(hexDump({}), "");
}

TEST(BitMarks, MarksTheLowestBitsFirstAndCapsTheCountAt16) {
  EXPECT_EQ(bitMarks(5, 4), " x . x .");
  EXPECT_EQ(bitMarks(0xFFFF, 20), QString(" x").repeated(16));
  EXPECT_EQ(bitMarks(0xFF, 0), "");
  EXPECT_EQ(bitMarks(0x80, 7), " . . . . . . .");
}

TEST(BeamListText, WritesRunsAsRangesAndTrailingCommaAsBlank) {
  EXPECT_EQ(beams(0), "-");
  EXPECT_EQ(beams(1), "1 ");
  EXPECT_EQ(beams(5), "1,3 ");
  EXPECT_EQ(beams(7), QStringLiteral("1÷3 "));
  EXPECT_EQ(beams(11), QStringLiteral("1÷2,4 "));
  EXPECT_EQ(beams(128), "8 ");
  EXPECT_EQ(beams(255), QStringLiteral("1÷8"));
  EXPECT_EQ(beams(192), QStringLiteral("7÷8"));
  EXPECT_EQ(beams(3), QStringLiteral("1÷2 "));
  EXPECT_EQ(beams(6), QStringLiteral("2÷3 "));
  EXPECT_EQ(beams(64), "7 ");
  EXPECT_EQ(beams(0b10110101), QStringLiteral("1,3,5÷6,8 "));
}

TEST(BitListText, RunsCrossByteBoundariesAndHonourTheFirstNumber) {
  EXPECT_EQ(bitListText(std::array<std::uint8_t, 2>{128, 1}, 1), QStringLiteral("8÷9 "));
  EXPECT_EQ(bitListText(std::array<std::uint8_t, 1>{1}, 0), "0 ");
  EXPECT_EQ(bitListText(std::array<std::uint8_t, 2>{0, 0}, 1), "-");
}

TEST(TextToNum, ReadsTheLeadingNumberOnly) {
  EXPECT_EQ(textToNum("12  "), 12);
  EXPECT_EQ(textToNum("   7"), 7);
  EXPECT_EQ(textToNum(""), 0);
  EXPECT_EQ(textToNum("abc"), 0);
  EXPECT_EQ(textToNum("12abc"), 12);
}

TEST(TextToNum, NeverGoesNegativeAndAppliesTheSignOnlyToAWholeNumber) {
  EXPECT_EQ(textToNum("-3"), 0);
  EXPECT_EQ(textToNum("+3"), 3);
  EXPECT_EQ(textToNum("-3 "), 3);  // digits followed by more text: the sign is dropped
}

TEST(TextToNum, ReadsHexadecimalPrefixes) {
  EXPECT_EQ(textToNum("$1F"), 31);
  EXPECT_EQ(textToNum("x10"), 16);
  EXPECT_EQ(textToNum("0Xff"), 255);
  EXPECT_EQ(textToNum("$"), 0);
}

TEST(TextToNum, SaturatesInsteadOfOverflowing) {
  EXPECT_EQ(textToNum("99999999999999999999"), 2147483647);
  EXPECT_EQ(textToNum("$FFFFFFFFFF"), 2147483647);
  EXPECT_EQ(textToNum("2147483647"), 2147483647);
}

TEST(VersionText, JoinsMinorAndReleaseAndPadsTheBuild) {
  EXPECT_EQ(versionText(2, 0, 0, 0), "2.00.000");
  EXPECT_EQ(versionText(1, 2, 3, 45), "1.23.045");
  EXPECT_EQ(versionText(1, 2, 3, 200), "1.23.200");
  EXPECT_EQ(versionText(), "2.00.000");
}

class AppendLineTest : public ::testing::Test {
 protected:
  QByteArray contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
  QTemporaryDir dir;
};

TEST_F(AppendLineTest, CreatesAMissingFileAndAppendsInWindows1250WithCrLf) {
  const QString path = dir.filePath("a.log");
  appendLogLine(path, QStringLiteral("Stan wiązek"), true);
  appendLogLine(path, QStringLiteral("1÷3"), true);
  // ą is B9 and ÷ is F7 in Windows-1250.
  EXPECT_EQ(contents(path), QByteArray("Stan wi\xB9zek\r\n1\xF7"
                                       "3\r\n"));
}

TEST_F(AppendLineTest, NeverTruncatesAnExistingFile) {
  const QString path = dir.filePath("b.log");
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write("old\r\n");
  f.close();
  appendLogLine(path, "new", true);
  EXPECT_EQ(contents(path), QByteArray("old\r\nnew\r\n"));
}

TEST_F(AppendLineTest, ReportsWhyAFileCannotBeWritten) {
  EXPECT_EQ(appendLogLine(dir.filePath("missing/folder/c.log"), "x", true), ENOENT);
  EXPECT_FALSE(QFile::exists(dir.filePath("missing/folder/c.log")));
  EXPECT_EQ(appendLogLine(dir.filePath("d.log"), "x", false), ENOENT);
  EXPECT_FALSE(QFile::exists(dir.filePath("d.log")));
  if (::geteuid() != 0) {  // root writes through a read-only mode
    const QString path = dir.filePath("ro.log");
    EXPECT_EQ(appendLogLine(path, "first", true), 0);
    ::chmod(QFile::encodeName(path).constData(), 0444);
    EXPECT_EQ(appendLogLine(path, "second", true), EACCES);
    EXPECT_EQ(contents(path), QByteArray("first\r\n"));
  }
}

TEST_F(AppendLineTest, NeverFollowsALinkNorWritesAnythingButARegularFile) {
  // A link to someone else's file, and a dangling one naming where a file would be created.
  const QString victim = dir.filePath("victim");
  QFile f(victim);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write("kept");
  f.close();
  ASSERT_TRUE(QFile::link(victim, dir.filePath("linked.log")));
  ASSERT_TRUE(QFile::link(dir.filePath("planted"), dir.filePath("dangling.log")));
  EXPECT_EQ(appendLogLine(dir.filePath("linked.log"), "x", true), NotARegularFile);
  EXPECT_EQ(appendLogLine(dir.filePath("dangling.log"), "x", true), NotARegularFile);
  EXPECT_EQ(contents(victim), QByteArray("kept"));
  EXPECT_FALSE(QFile::exists(dir.filePath("planted")));

  // A pipe with nobody reading and one with a reader: neither hangs, neither is written.
  const QByteArray fifo = QFile::encodeName(dir.filePath("fifo.log"));
  ASSERT_EQ(::mkfifo(fifo.constData(), 0600), 0);
  EXPECT_NE(appendLogLine(dir.filePath("fifo.log"), "x", true), 0);
  const int reader = ::open(fifo.constData(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  EXPECT_EQ(appendLogLine(dir.filePath("fifo.log"), "x", true), NotARegularFile);
  char byte;
  EXPECT_EQ(::read(reader, &byte, 1), 0);
  ::close(reader);

  ASSERT_TRUE(QDir(dir.path()).mkdir("folder.log"));
  EXPECT_NE(appendLogLine(dir.filePath("folder.log"), "x", true), 0);
}

// Log lines name ports, barriers and what they did: the user's alone, whatever the umask.
TEST_F(AppendLineTest, CreatesTheFileForTheUserAlone) {
  const mode_t old = ::umask(0);
  EXPECT_EQ(appendLogLine(dir.filePath("private.log"), "x", true), 0);
  ::umask(old);
  struct stat st {};
  ASSERT_EQ(::stat(QFile::encodeName(dir.filePath("private.log")).constData(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST(UsersOwnFolder, IsAFolderOfTheUsersThatNobodyElseMayWriteIn) {
  QTemporaryDir dir;
  EXPECT_TRUE(isUsersOwnFolder(dir.path()));
  ::chmod(QFile::encodeName(dir.path()).constData(), 0777);
  EXPECT_FALSE(isUsersOwnFolder(dir.path()));  // shared
  ::chmod(QFile::encodeName(dir.path()).constData(), 0700);
  EXPECT_FALSE(isUsersOwnFolder(dir.filePath("missing")));
  // System folders are never the user's own, also for root, who owns them.
  EXPECT_FALSE(isUsersOwnFolder(QStringLiteral("/usr/bin")));
  EXPECT_FALSE(isUsersOwnFolder(QStringLiteral("/")));
  EXPECT_FALSE(isUsersOwnFolder(QStringLiteral("/tmp")));
  // Group write is the user's own only for the user's own group; root plays
  // a user whose folder another group may write in.
  ::chmod(QFile::encodeName(dir.path()).constData(), 0770);
  EXPECT_EQ(isUsersOwnFolder(dir.path()), (QFileInfo(dir.path()).groupId() == ::getegid()));
  if (::geteuid() == 0) {
    ASSERT_EQ(::chown(QFile::encodeName(dir.path()).constData(), 0, 65534), 0);
    EXPECT_FALSE(isUsersOwnFolder(dir.path()));
    ASSERT_EQ(::chown(QFile::encodeName(dir.path()).constData(), 0, ::getegid()), 0);
    EXPECT_TRUE(isUsersOwnFolder(dir.path()));
  }
  ::chmod(QFile::encodeName(dir.path()).constData(), 0700);
  // A link into a system folder is judged by where it leads.
  ASSERT_TRUE(QFile::link(QStringLiteral("/usr/bin"), dir.filePath("bin")));
  EXPECT_FALSE(isUsersOwnFolder(dir.filePath("bin")));
}

// The state folder and the folders above it are made the user's alone; one
// that is there already keeps its mode.
TEST(UsersOwnFolder, TheStateFolderIsMadePrivateAndAnExistingOneKeepsItsMode) {
  QTemporaryDir dir;
  const QByteArray old = qgetenv("XDG_STATE_HOME");
  const mode_t umask = ::umask(022);
  qputenv("XDG_STATE_HOME", QFile::encodeName(dir.filePath("state")));
  const QString folder = userStateFolder();
  EXPECT_EQ(folder, dir.filePath("state/Dravel/Orvita"));
  for (const char* made : {"state", "state/Dravel", "state/Dravel/Orvita"}) {
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(dir.filePath(made)).constData(), &st), 0) << made;
    EXPECT_EQ(st.st_mode & 07777, 0700u) << made;
  }
  ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), 0750), 0);
  userStateFolder();
  struct stat st {};
  ASSERT_EQ(::stat(QFile::encodeName(folder).constData(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0750u);
  ::umask(umask);
  if (old.isNull())
    qunsetenv("XDG_STATE_HOME");
  else
    qputenv("XDG_STATE_HOME", old);
}
