// The journal's file under faults, upgrades, retention and a second program.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>
#include <QVariant>
#include <csignal>

#include "journal/JournalReader.h"
#include "journal/JournalSchema.h"
#include "journal/JournalWriter.h"
#include "tests/ActingAs.h"
#include "texts/UiTexts.h"

// Failures show the texts themselves.
void PrintTo(const QString& text, std::ostream* os) { *os << text.toStdString(); }

namespace {

constexpr qint64 DayMs = 24LL * 3600 * 1000;

QByteArray readAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(bytes);
}

// Runs statements on the file through a connection of the test's own.
class RawDatabase {
 public:
  explicit RawDatabase(const QString& path) : name_(QStringLiteral("raw-%1").arg(quintptr(this))) {
    db_ = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name_);
    db_.setDatabaseName(path);
    EXPECT_TRUE(db_.open());
  }
  ~RawDatabase() {
    db_.close();
    db_ = QSqlDatabase();
    QSqlDatabase::removeDatabase(name_);
  }
  void exec(const QString& sql) {
    QSqlQuery q(db_);
    EXPECT_TRUE(q.exec(sql)) << sql.toStdString();
  }
  QVariant value(const QString& sql) {
    QSqlQuery q(db_);
    return q.exec(sql) && q.next() ? q.value(0) : QVariant();
  }

 private:
  QString name_;
  QSqlDatabase db_;
};

BarrierStatus withFlags(std::uint8_t flags) {
  BarrierStatus s;
  s.statusFlags = flags;
  return s;
}

class JournalTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dir.isValid()); }
  QString path(const char* name = "journal.sqlite") const { return dir.filePath(QString::fromLatin1(name)); }

  JournalOptions options(const QString& file) const {
    JournalOptions o;
    o.path = file;
    o.retentionDays = 0;  // the tests' times are of 1970
    o.busyTimeoutMs = 300;
    o.commitIntervalMs = 50;
    return o;
  }
  // Writes a session with one connection of barrier `serial` and its status flags.
  void recordSession(JournalWriter& w, qint64 t, unsigned serial, std::initializer_list<std::uint8_t> flags) {
    w.startSession(t, QStringLiteral("orvita"), QStringLiteral("ttyUSB0"));
    w.startConnection(t + 1, QByteArray::fromHex("0601000520210714"), 8);
    w.setBarrier(t + 2, serial);
    qint64 at = t + 3;
    for (const std::uint8_t f : flags) w.addEvent(at++, JournalEventKind::Status, statusBytes(withFlags(f)));
    w.endConnection(at, JournalLossReason::Unplugged);
    w.endSession(at + 1);
  }
  // The faults told so far (they arrive on the event loop).
  QStringList faultsOf(JournalWriter& w) {
    w.flush();
    QCoreApplication::processEvents();
    return faults;
  }
  void collectFaults(JournalWriter& w) {
    w.onFault = [this](const QString& text) { faults << text; };
  }

  QTemporaryDir dir;
  QStringList faults;
};

// A file that is no database is found on opening; a damaged page by the
// first commit that reads it, or by the check that runs beside the first
// commits. The run's rows written before go into the new file as well.
TEST_F(JournalTest, ADamagedFileIsPutAsideWithATimeStampAndANewOneStartedWithTheRunsRows) {
  for (const int damagedPage : {0, 4, 20}) {
    const bool garbage = damagedPage == 0;
    SCOPED_TRACE(damagedPage);
    faults.clear();
    for (const QString& name : QDir(dir.path()).entryList(QDir::Files)) QFile::remove(dir.filePath(name));
    QByteArray before;
    if (garbage) {
      before = QByteArray("not a journal at all ").repeated(200);
    } else {
      {
        JournalWriter earlier(options(path()));
        std::initializer_list<std::uint8_t> flags = {0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1};
        for (int i = 0; i < 200; ++i) recordSession(earlier, 100 * i, 1000 + unsigned(i), flags);
      }
      before = readAll(path());
      ASSERT_GT(before.size(), (damagedPage + 1) * 4096);
      before.replace(damagedPage * 4096, 4096, QByteArray(4096, '\x55'));
    }
    writeAll(path(), before);
    {
      JournalWriter w(options(path()));
      collectFaults(w);
      recordSession(w, 10000, 4321, {0, 1});
      w.flush();
      // The check answers while the writer goes on.
      for (int i = 0; i < 200 && faults.isEmpty(); ++i) {
        QThread::msleep(20);
        w.addEvent(10100 + i, JournalEventKind::FileOpened, {}, QStringLiteral("a.orv"));
        QCoreApplication::processEvents();
      }
      ASSERT_EQ(faultsOf(w).size(), 1);
      EXPECT_TRUE(faults[0].startsWith(uiText(UiTexts::txtJournalDamaged).section(QLatin1Char('%'), 0, 0)))
          << faults[0].toStdString();
      EXPECT_TRUE(w.working());
    }
    const QStringList aside = QDir(dir.path()).entryList({QStringLiteral("journal.sqlite.damaged-*")});
    ASSERT_EQ(aside.filter(QRegularExpression(QStringLiteral("damaged-[0-9TZ]+$"))).size(), 1);
    if (garbage) {
      EXPECT_EQ(readAll(dir.filePath(aside[0])), before) << "never deleted, never changed";
    }
    EXPECT_TRUE(faults[0].contains(aside[0]));
    JournalReader reader(path());
    ASSERT_TRUE(reader.open()) << reader.error().toStdString();
    ASSERT_EQ(reader.barriers().size(), 1);
    EXPECT_EQ(reader.barriers()[0].serial, 4321u);
    JournalQuery q;
    q.kinds = {JournalEventKind::SessionStart, JournalEventKind::Status};
    EXPECT_EQ(reader.events(q).size(), 3u) << "the run's first rows, written before the check answered";
  }
}

TEST_F(JournalTest, AJournalOfANewerProgramIsLeftUntouchedAndTheProgramGoesOnWithoutIt) {
  {
    RawDatabase raw(path());
    raw.exec(QStringLiteral("CREATE TABLE future(x)"));
    raw.exec(QStringLiteral("PRAGMA user_version = %1").arg(JournalSchemaVersion + 1));
  }
  const QByteArray before = readAll(path());
  JournalWriter w(options(path()));
  collectFaults(w);
  recordSession(w, 1000, 1, {0});
  ASSERT_EQ(faultsOf(w), QStringList{uiText(UiTexts::txtJournalNewer).arg(path())});
  EXPECT_FALSE(w.working());
  EXPECT_EQ(readAll(path()), before);
  EXPECT_FALSE(QFile::exists(path() + QStringLiteral("-wal")));
  JournalReader reader(path());
  EXPECT_FALSE(reader.open());
  EXPECT_EQ(reader.error(), uiText(UiTexts::txtJournalNewer).arg(path()));
}

// The user's own read-only folder stays read-only; root plays the user by
// dropping privileges.
TEST_F(JournalTest, AFolderThatCannotBeWrittenIsToldOnceAndTheJournalStops) {
  ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 0755), 0);
  const QString folder = dir.filePath(QStringLiteral("readonly"));
  ASSERT_TRUE(QDir().mkdir(folder));
  if (isRoot()) {
    ASSERT_TRUE(setOwnerAndMode(folder, Nobody, 0555));
  } else {
    ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), 0555), 0);
  }
  {
    const ActingAs user(Nobody);
    JournalWriter w(options(folder + QStringLiteral("/journal.sqlite")));
    collectFaults(w);
    recordSession(w, 1000, 1, {0, 1, 0});
    w.flush();
    EXPECT_FALSE(w.working());
    QCoreApplication::processEvents();
  }
  ASSERT_EQ(faults.size(), 1);
  EXPECT_TRUE(faults[0].startsWith(uiText(UiTexts::txtJournalCannotWrite).section(QLatin1Char('%'), 0, 0)));
  EXPECT_TRUE(QDir(folder).isEmpty());
  EXPECT_EQ(modeOf(folder), 0555u);
}

// A journal named by the user (as with ORVITA_JOURNAL) may be anywhere: it is
// the user's alone, its folder keeps its mode (a missing one is made the
// user's alone), and it is never written through a link another user planted,
// whether at its own name or at one SQLite opens beside it.
TEST_F(JournalTest, AJournalAnywhereIsTheUsersAloneAndNeverWrittenThroughAPlantedLink) {
  const mode_t umask = ::umask(022);
  const auto record = [this](const QString& file, bool opened) {
    faults.clear();
    JournalWriter w(options(file));
    collectFaults(w);
    recordSession(w, 1000, 1, {0, 1});
    EXPECT_EQ(faultsOf(w).isEmpty(), opened) << faults.join('\n').toStdString();
    if (opened) {
      for (const char* name : {"", "-wal", "-shm"}) EXPECT_EQ(modeOf(file + name), 0600u) << name;
    }
  };
  record(dir.filePath("new/sub/journal.sqlite"), true);
  EXPECT_EQ(modeOf(dir.filePath("new")), 0700u);
  EXPECT_EQ(modeOf(dir.filePath("new/sub")), 0700u);

  const QString shared = dir.filePath("shared");
  ASSERT_TRUE(QDir(dir.path()).mkdir("shared"));
  ASSERT_EQ(::chmod(QFile::encodeName(shared).constData(), 01777), 0);
  record(shared + "/journal.sqlite", true);
  EXPECT_EQ(modeOf(shared), 01777u);
  ::umask(umask);

  if (!isRoot()) return;  // planting a link as another user takes root
  const QString victim = path("victim");
  writeAll(victim, {});
  ASSERT_TRUE(plantLink(victim, shared + "/planted.sqlite", Stranger));
  ASSERT_TRUE(plantLink(victim, shared + "/beside.sqlite-wal", Stranger));
  for (const char* name : {"/planted.sqlite", "/beside.sqlite"}) {
    record(shared + name, false);
    ASSERT_EQ(faults.size(), 1);
    EXPECT_EQ(faults[0], uiText(UiTexts::txtJournalCannotWrite).arg(shared + name, uiText(UiTexts::txtForeignLink)));
    EXPECT_TRUE(readAll(victim).isEmpty());
  }
}

// A file size limit makes the writes fail as a full disk does.
TEST_F(JournalTest, AFullDiskStopsTheJournalWithOneNotice) {
  JournalWriter w(options(path()));
  collectFaults(w);
  w.startSession(1000, QStringLiteral("orvita"), QStringLiteral("ttyS0"));
  w.flush();
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit old{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
  rlimit small = old;
  small.rlim_cur = rlim_t(QFileInfo(path() + QStringLiteral("-wal")).size() + 8192);
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  for (int i = 0; i < 200; ++i) w.addEvent(2000 + i, JournalEventKind::WriteDropped, {}, QString(500, QChar('x')));
  w.flush();
  w.addEvent(3000, JournalEventKind::Reset);
  w.flush();
  ::setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, oldHandler);
  QCoreApplication::processEvents();
  ASSERT_EQ(faults.size(), 1);
  EXPECT_TRUE(faults[0].startsWith(uiText(UiTexts::txtJournalCannotWrite).section(QLatin1Char('%'), 0, 0)));
  EXPECT_FALSE(w.working());
  RawDatabase raw(path());
  EXPECT_EQ(raw.value(QStringLiteral("PRAGMA integrity_check")).toString(), QStringLiteral("ok"));
}

TEST_F(JournalTest, AJournalLockedLongerThanTheBusyTimeIsToldAndLeft) {
  { JournalWriter(options(path())).flush(); }
  RawDatabase other(path());
  other.exec(QStringLiteral("BEGIN EXCLUSIVE"));
  JournalWriter w(options(path()));
  collectFaults(w);
  recordSession(w, 1000, 1, {0});
  EXPECT_EQ(faultsOf(w), QStringList{uiText(UiTexts::txtJournalLocked).arg(path()).arg(0.3)});
  EXPECT_FALSE(w.working());
  other.exec(QStringLiteral("ROLLBACK"));
}

// Version 1 counted alarms at every listing; the upgrade counts the
// recorded ones once and keeps every row.
TEST_F(JournalTest, AVersionOneJournalIsUpgradedWithItsAlarmsCounted) {
  {
    RawDatabase raw(path());
    for (const QString& s : journalSchemaStatements(1)) raw.exec(s);
    raw.exec(QStringLiteral("INSERT INTO session(id, program, started, ended) VALUES (1, 'orvita', 100, 900)"));
    raw.exec(QStringLiteral("INSERT INTO barrier(id, serial) VALUES (1, 777)"));
    raw.exec(
        QStringLiteral("INSERT INTO connection(id, session, barrier, started, ended, reason, beams) VALUES (1, 1, 1, "
                       "110, 800, 2, 4)"));
    const std::uint8_t flags[] = {0, statusflag::AlarmOutput, 0, statusflag::AlarmOutput | statusflag::TamperOutput,
                                  statusflag::AlarmOutput};
    for (int i = 0; i < 5; ++i)
      raw.exec(QStringLiteral("INSERT INTO event(session, connection, time, kind, bytes) VALUES (1, 1, %1, 5, x'%2')")
                   .arg(200 + i)
                   .arg(QString::fromLatin1(statusBytes(withFlags(flags[i])).toHex())));
  }
  { JournalWriter(options(path())).flush(); }
  JournalReader reader(path());
  ASSERT_TRUE(reader.open()) << reader.error().toStdString();
  const QList<JournalBarrier> barriers = reader.barriers();
  ASSERT_EQ(barriers.size(), 1);
  EXPECT_EQ(barriers[0].serial, 777u);
  EXPECT_EQ(barriers[0].alarms, 2);
  EXPECT_EQ(barriers[0].tampers, 1);
  EXPECT_EQ(barriers[0].firstSeenMs, 110);
  EXPECT_EQ(barriers[0].lastSeenMs, 800);
  EXPECT_EQ(reader.events({}).size(), 5);
  RawDatabase raw(path());
  EXPECT_EQ(raw.value(QStringLiteral("PRAGMA user_version")).toInt(), JournalSchemaVersion);
}

TEST_F(JournalTest, SessionsOlderThanTheRetentionAreDeletedAtStartAndNewerOnesKept) {
  const qint64 now = QDateTime::currentMSecsSinceEpoch();
  {
    JournalWriter w(options(path()));
    recordSession(w, now - 200 * DayMs, 1111, {0, 1});
    recordSession(w, now - 10 * DayMs, 2222, {0, 1});
  }
  JournalOptions o = options(path());
  o.retentionDays = 180;
  {
    JournalWriter w(o);
    w.startSession(now, QStringLiteral("orvita"), QString());
    w.flush();
    // The trim runs after the first commit, in the writer's thread.
    JournalReader reader(path());
    ASSERT_TRUE(reader.open());
    for (int i = 0; i < 200 && reader.barriers().size() != 1; ++i) QThread::msleep(20);
    ASSERT_EQ(reader.barriers().size(), 1);
    EXPECT_EQ(reader.barriers()[0].serial, 2222u);
    EXPECT_EQ(reader.sessions().size(), 2);
    JournalQuery old;
    old.untilMs = now - 100 * DayMs;
    EXPECT_TRUE(reader.events(old).isEmpty());
  }
}

// Two programs on two adapters record into one journal at once.
TEST_F(JournalTest, TwoWritersAtOnceBothKeepEveryRow) {
  constexpr int Rows = 3000;
  JournalOptions o = options(path());
  o.busyTimeoutMs = 5000;
  {
    JournalWriter a(o), b(o);
    a.startSession(1000, QStringLiteral("orvita"), QStringLiteral("ttyUSB0"));
    b.startSession(1000, QStringLiteral("orvita-cli status"), QStringLiteral("ttyUSB1"));
    a.startConnection(1001, QByteArray(8, 1), 4);
    b.startConnection(1001, QByteArray(8, 2), 8);
    a.setBarrier(1002, 100);
    b.setBarrier(1002, 200);
    for (int i = 0; i < Rows; ++i) {
      a.addEvent(2000 + i, JournalEventKind::Status, statusBytes(withFlags(std::uint8_t(i & 1))));
      b.addEvent(2000 + i, JournalEventKind::Status, statusBytes(withFlags(std::uint8_t(i & 1))));
      if (i % 500 == 0) QThread::msleep(30);  // several commits each, interleaved
    }
    a.endSession(9000);
    b.endSession(9000);
    a.flush();
    b.flush();
    EXPECT_TRUE(a.working() && b.working());
  }
  JournalReader reader(path());
  ASSERT_TRUE(reader.open());
  for (const unsigned serial : {100u, 200u}) {
    JournalQuery q;
    q.barrier = serial;
    q.kinds = {JournalEventKind::Status};
    EXPECT_EQ(reader.events(q).size(), Rows) << serial;
  }
  const QList<JournalBarrier> barriers = reader.barriers();
  ASSERT_EQ(barriers.size(), 2);
  EXPECT_EQ(barriers[0].alarms, Rows / 2);
  for (const JournalSession& s : reader.sessions()) EXPECT_EQ(s.endMs, 9000);
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
