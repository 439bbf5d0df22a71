#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <array>
#include <cstdint>

#include "eventlog/EventLog.h"
#include "texts/UiTexts.h"

namespace {

QByteArray contents(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class EventLogTest : public ::testing::Test {
 protected:
  EventLogTest() : log(dir.filePath("orvita.log"), dir.filePath("orvita_.log")) {
    log.timeText = [] { return QStringLiteral("14:05:09"); };
  }
  QTemporaryDir dir;
  EventLog log;
};

}  // namespace

TEST_F(EventLogTest, TrimsToTheNewestTwentyOnlyWhenPassingTwoHundred) {
  int trims = 0;
  log.onLinesChanged = [&](const QString&, bool trimmed) { trims += trimmed; };
  for (int i = 1; i <= 200; ++i) log.addLogLine(QString::number(i));
  EXPECT_EQ(log.lines().size(), 200);
  EXPECT_EQ(trims, 0);
  log.addLogLine("201");
  ASSERT_EQ(log.lines().size(), 20);
  EXPECT_EQ(log.lines().front(), "182");
  EXPECT_EQ(log.lines().back(), "201");
  EXPECT_EQ(trims, 1);
}

TEST_F(EventLogTest, StateLinePadsTimeAndLabelToColumnFortyBeforeTheMarks) {
  log.logStateLine(QStringLiteral("Stan blokad: "), 5, 4);
  const QString expected = QStringLiteral("14:05:09 Stan blokad: ").leftJustified(40, QLatin1Char(' ')) + " x . x .";
  ASSERT_EQ(log.lines().size(), 1);
  EXPECT_EQ(log.lines().front(), expected);
}

TEST_F(EventLogTest, StateLineWithALongLabelGetsNoPaddingAndCountZeroNoMarks) {
  const QString label(35, QLatin1Char('L'));
  log.logStateLine(label, 1, 1);
  EXPECT_EQ(log.lines().back(), "14:05:09 " + label + " x");
  log.logStateLine("Status", 0xFF, 0);
  EXPECT_EQ(log.lines().back(), QStringLiteral("14:05:09 Status").leftJustified(40, QLatin1Char(' ')));
}

TEST_F(EventLogTest, WritesNoFileUntilLoggingIsOnAndThenCreatesThem) {
  const std::array<std::uint8_t, 5> frame{0xFF, 0xFF, 0x02, 0x03, 0x03};
  log.logStateLine("Status", 1, 7);
  log.setStatusFrame(frame);
  EXPECT_FALSE(QFile::exists(log.eventFile()));
  EXPECT_FALSE(QFile::exists(log.statusFile()));

  log.logToFile = true;
  log.addLogLine(uiText(UiTexts::txtLogAskVer));  // plain lines never reach a file
  log.logStateLine(QStringLiteral("Stan wiązek (50%): "), 2, 2);
  log.setStatusFrame(frame);
  EXPECT_EQ(contents(log.eventFile()),
            QByteArray("14:05:09 Stan wi\xB9zek (50%): ").leftJustified(40, ' ') + " . x\r\n");
  EXPECT_EQ(contents(log.statusFile()), QByteArray("FF FF 02 03 03 \r\n"));
  EXPECT_EQ(log.statusLine(), "FF FF 02 03 03 ");
}

TEST_F(EventLogTest, ALogFileThatCannotBeWrittenIsToldOnceAndTriedAgainAtEveryLine) {
  // A folder where the event log file should be: nothing can be appended to it.
  ASSERT_TRUE(QDir(dir.path()).mkdir("orvita.log"));
  int told = 0;
  log.onFileProblemChanged = [&] { ++told; };
  log.logToFile = true;
  log.logStateLine("Status", 1, 7);
  log.logStateLine("Status", 2, 7);
  log.logStateLine("Status", 3, 7);
  EXPECT_EQ(told, 1);
  ASSERT_EQ(log.lines().size(), 4);  // the three state lines and, after the first, one about the file
  EXPECT_TRUE(log.lines().at(1).startsWith(QStringLiteral("Nie można zapisać dziennika ")));
  EXPECT_TRUE(log.lines().at(1).contains(log.eventFile()));
  EXPECT_EQ(log.fileProblem(), log.lines().at(1));
  // The status file is fine meanwhile.
  const std::array<std::uint8_t, 5> frame{0xFF, 0xFF, 0x02, 0x03, 0x03};
  log.setStatusFrame(frame);
  EXPECT_EQ(contents(log.statusFile()), QByteArray("FF FF 02 03 03 \r\n"));
  EXPECT_EQ(told, 1);

  // Once the obstacle is gone the next line gets through and the problem is over.
  ASSERT_TRUE(QDir(dir.path()).rmdir("orvita.log"));
  log.logStateLine("Status", 4, 7);
  EXPECT_EQ(told, 2);
  EXPECT_TRUE(log.fileProblem().isEmpty());
  EXPECT_EQ(contents(log.eventFile()), (QByteArray("14:05:09 Status").leftJustified(40, ' ') + " . . x . . . .\r\n"));
  EXPECT_EQ(log.lines().size(), 5);
}

TEST(LogFilesFor, PlacesTheFilesBesideAWritableProgram) {
  QTemporaryDir dir;
  const LogFilePaths paths = logFilesFor(dir.filePath("orvita"));
  EXPECT_EQ(paths.eventFile, dir.filePath("orvita.log"));
  EXPECT_EQ(paths.statusFile, dir.filePath("orvita_.log"));
  const LogFilePaths withExtension = logFilesFor(dir.filePath("konfig.exe"));
  EXPECT_EQ(withExtension.eventFile, dir.filePath("konfig.log"));
  EXPECT_EQ(withExtension.statusFile, dir.filePath("konfig_.log"));
}

TEST(LogFilesFor, FallsBackToThePrivateStateFolderForAnInstalledProgram) {
  QTemporaryDir state;
  qputenv("XDG_STATE_HOME", QFile::encodeName(state.path()));
  // A folder that does not exist is not writable, as /usr/bin is not for a user.
  const LogFilePaths paths = logFilesFor(state.filePath("no/such/folder/orvita"));
  const QString folder = state.filePath("Dravel/Orvita");
  EXPECT_EQ(paths.eventFile, folder + "/orvita.log");
  EXPECT_EQ(paths.statusFile, folder + "/orvita_.log");
  struct stat st {};
  ASSERT_EQ(::stat(QFile::encodeName(folder).constData(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  // An installed program's folder is never written, also when root runs it.
  EXPECT_EQ(logFilesFor(QStringLiteral("/usr/bin/orvita")).eventFile, folder + "/orvita.log");
  qunsetenv("XDG_STATE_HOME");
}
