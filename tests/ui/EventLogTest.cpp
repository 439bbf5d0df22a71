#include "EventLog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <array>
#include <cstdint>

namespace {

QByteArray Contents(const QString& path) {
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
  for (int i = 1; i <= 200; ++i) log.AddLogLine(QString::number(i));
  EXPECT_EQ(log.Lines().size(), 200);
  EXPECT_EQ(trims, 0);
  log.AddLogLine("201");
  ASSERT_EQ(log.Lines().size(), 20);
  EXPECT_EQ(log.Lines().front(), "182");
  EXPECT_EQ(log.Lines().back(), "201");
  EXPECT_EQ(trims, 1);
}

TEST_F(EventLogTest, StateLinePadsTimeAndLabelToColumnFortyBeforeTheMarks) {
  log.LogStateLine(QStringLiteral("Stan blokad: "), 5, 4);
  const QString expected = QStringLiteral("14:05:09 Stan blokad: ").leftJustified(40, QLatin1Char(' ')) + " x . x .";
  ASSERT_EQ(log.Lines().size(), 1);
  EXPECT_EQ(log.Lines().front(), expected);
}

TEST_F(EventLogTest, StateLineWithALongLabelGetsNoPaddingAndCountZeroNoMarks) {
  const QString label(35, QLatin1Char('L'));
  log.LogStateLine(label, 1, 1);
  EXPECT_EQ(log.Lines().back(), "14:05:09 " + label + " x");
  log.LogStateLine("Status", 0xFF, 0);
  EXPECT_EQ(log.Lines().back(), QStringLiteral("14:05:09 Status").leftJustified(40, QLatin1Char(' ')));
}

TEST_F(EventLogTest, WritesNoFileUntilLoggingIsOnAndThenCreatesThem) {
  const std::array<std::uint8_t, 5> frame{0xFF, 0xFF, 0x02, 0x03, 0x03};
  log.LogStateLine("Status", 1, 7);
  log.SetStatusFrame(frame);
  EXPECT_FALSE(QFile::exists(log.EventFile()));
  EXPECT_FALSE(QFile::exists(log.StatusFile()));

  log.logToFile = true;
  log.AddLogLine("Ask_ver");  // plain lines never reach a file
  log.LogStateLine(QStringLiteral("Stan wiązek (50%): "), 2, 2);
  log.SetStatusFrame(frame);
  EXPECT_EQ(Contents(log.EventFile()),
            QByteArray("14:05:09 Stan wi\xB9zek (50%): ").leftJustified(40, ' ') + " . x\r\n");
  EXPECT_EQ(Contents(log.StatusFile()), QByteArray("FF FF 02 03 03 \r\n"));
  EXPECT_EQ(log.StatusLine(), "FF FF 02 03 03 ");
}

TEST(LogFilesFor, PlacesTheFilesBesideAWritableProgram) {
  QTemporaryDir dir;
  const LogFilePaths paths = LogFilesFor(dir.filePath("orvita"));
  EXPECT_EQ(paths.eventFile, dir.filePath("orvita.log"));
  EXPECT_EQ(paths.statusFile, dir.filePath("orvita_.log"));
  const LogFilePaths withExtension = LogFilesFor(dir.filePath("konfig.exe"));
  EXPECT_EQ(withExtension.eventFile, dir.filePath("konfig.log"));
  EXPECT_EQ(withExtension.statusFile, dir.filePath("konfig_.log"));
}

TEST(LogFilesFor, FallsBackToThePrivateStateFolderForAnInstalledProgram) {
  QTemporaryDir state;
  qputenv("XDG_STATE_HOME", QFile::encodeName(state.path()));
  // A folder that does not exist is not writable, as /usr/bin is not for a user.
  const LogFilePaths paths = LogFilesFor(state.filePath("no/such/folder/orvita"));
  const QString folder = state.filePath("Dravel/Orvita");
  EXPECT_EQ(paths.eventFile, folder + "/orvita.log");
  EXPECT_EQ(paths.statusFile, folder + "/orvita_.log");
  struct stat st {};
  ASSERT_EQ(::stat(QFile::encodeName(folder).constData(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  qunsetenv("XDG_STATE_HOME");
}
