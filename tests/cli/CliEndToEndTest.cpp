// orvita-cli against the barrier-sim program on a pseudo-terminal: backup and
// restore, a refused write, a silent barrier, a missing port, and status
// lines that follow the barrier.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>
#include <functional>

#include "files/ConfigFile.h"
#include "texts/UiTexts.h"

namespace {

// Waits end on the event that matters; the ceiling only keeps a broken run
// from hanging, and is generous for a loaded machine.
constexpr int Ceiling = 30000;

struct CliRun {
  int exitStatus = -1;
  QString out;
  QString err;
};

class CliEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dir.isValid()); }
  void TearDown() override {
    sim.closeWriteChannel();
    sim.kill();
    sim.waitForFinished(3000);
  }

  void startBarrier(QStringList options = {}) {
    barrier = dir.filePath(QStringLiteral("barrier"));
    sim.setProgram(QStringLiteral(BARRIER_SIM));
    sim.setArguments(options << QStringLiteral("--link") << barrier);
    sim.start();
    ASSERT_TRUE(sim.waitForStarted(5000));
    ASSERT_TRUE(sim.waitForReadyRead(Ceiling));  // the terminal's path: the link is in place
  }
  void say(const char* command) {
    sim.write(command);
    sim.write("\n");
    sim.waitForBytesWritten(1000);
  }

  // The program's settings live in the test's folder, so the stored port is the test's.
  QProcessEnvironment environment() const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.path());
    env.insert(QStringLiteral("ORVITA_JOURNAL"), journal());
    return env;
  }
  void startCli(QProcess& cli, const QStringList& arguments) const {
    cli.setProcessEnvironment(environment());
    cli.start(QStringLiteral(ORVITA_CLI), arguments);
  }
  CliRun cli(const QStringList& arguments) const {
    QProcess process;
    startCli(process, arguments);
    CliRun run;
    if (!process.waitForFinished(Ceiling)) return run;
    run.exitStatus = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
  }
  QStringList onBarrier(QStringList arguments) const {
    return QStringList{QStringLiteral("--port"), barrier} + arguments;
  }
  QString file(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
  QString journal() const { return dir.filePath(QStringLiteral("journal.sqlite")); }
  // The objects history --json printed, one a line.
  QList<QJsonObject> historyJson(const QStringList& options = {}) const {
    const CliRun run = cli(QStringList{QStringLiteral("history"), QStringLiteral("--json")} + options);
    EXPECT_EQ(run.exitStatus, 0) << run.err.toStdString();
    QList<QJsonObject> objects;
    for (const QString& line : run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
      QJsonParseError error;
      objects << QJsonDocument::fromJson(line.toUtf8(), &error).object();
      EXPECT_EQ(error.error, QJsonParseError::NoError) << line.toStdString();
    }
    return objects;
  }

  QTemporaryDir dir;
  QProcess sim;
  QString barrier;
};

BarrierConfig load(const QString& path) {
  BarrierConfig config;
  EXPECT_TRUE(readConfigFile(path, config)) << path.toStdString();
  return config;
}

}  // namespace

TEST_F(CliEndToEnd, ABackupRestoredWithChangesReadsBackAsTheChangedBytes) {
  startBarrier();
  // No --port: the port the program has stored.
  QDir(dir.path()).mkpath(QStringLiteral("Dravel"));
  QFile settings(dir.filePath(QStringLiteral("Dravel/Orvita.conf")));
  ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
  settings.write("[General]\ncm=" + barrier.toUtf8() + "\n");
  settings.close();
  const CliRun identify = cli({QStringLiteral("identify")});
  EXPECT_EQ(identify.exitStatus, 0) << identify.err.toStdString();
  EXPECT_EQ(identify.out, QStringLiteral("ORVITA 8 v.1.05    2021-07-14\nLiczba wiązek: 8\n"));

  say("config 1 5");
  say("config 17 3");
  const CliRun backup = cli(onBarrier({QStringLiteral("read"), file("backup.acc")}));
  ASSERT_EQ(backup.exitStatus, 0) << backup.err.toStdString();
  BarrierConfig changed = load(file("backup.acc"));
  EXPECT_EQ(QFileInfo(file("backup.acc")).size(), 32);
  EXPECT_EQ(changed[BarrierConfig::responseTime(1)], 5);
  EXPECT_EQ(changed[BarrierConfig::autoBlockCount(1)], 3);
  EXPECT_EQ(changed[BarrierConfig::BeamCount], 8);

  for (int b = 1; b <= 8; ++b) {
    changed[BarrierConfig::responseTime(b)] = std::uint8_t(b + 1);
    changed[BarrierConfig::autoBlockCount(b)] = std::uint8_t(20 + b);
  }
  changed[BarrierConfig::AlarmMode] = 1;
  changed[BarrierConfig::SerialHigh] = 0x30;
  changed[BarrierConfig::SerialLow] = 0x39;
  changed[BarrierConfig::MaxCoveredTime] = 7;
  changed[BarrierConfig::AutoBlockTime] = 30;
  ASSERT_TRUE(writeConfigFile(file("changed.acc"), changed));
  const CliRun restore = cli(onBarrier({QStringLiteral("write"), file("changed.acc")}));
  EXPECT_EQ(restore.exitStatus, 0) << restore.err.toStdString();

  const CliRun again = cli(onBarrier({QStringLiteral("read"), file("again.acc")}));
  ASSERT_EQ(again.exitStatus, 0) << again.err.toStdString();
  EXPECT_EQ(load(file("again.acc")).bytes, changed.bytes);
  const CliRun diff = cli({QStringLiteral("diff"), file("changed.acc"), file("again.acc")});
  EXPECT_EQ(diff.exitStatus, 0);
  EXPECT_TRUE(diff.out.isEmpty());
}

TEST_F(CliEndToEnd, AWriteToABarrierWithAnotherBeamCountIsRefusedUnlessForced) {
  startBarrier({QStringLiteral("--beams"), QStringLiteral("4")});
  BarrierConfig eightBeams;
  eightBeams[BarrierConfig::BeamCount] = 8;
  eightBeams[BarrierConfig::responseTime(2)] = 9;
  ASSERT_TRUE(writeConfigFile(file("eight.acc"), eightBeams));

  const CliRun refused = cli(onBarrier({QStringLiteral("write"), file("eight.acc")}));
  EXPECT_EQ(refused.exitStatus, 1);
  EXPECT_EQ(refused.err.count(QLatin1Char('\n')), 1);
  EXPECT_TRUE(refused.err.contains(QStringLiteral("(8)")) && refused.err.contains(QStringLiteral("(4)")))
      << refused.err.toStdString();
  ASSERT_EQ(cli(onBarrier({QStringLiteral("read"), file("kept.acc")})).exitStatus, 0);
  EXPECT_EQ(load(file("kept.acc"))[BarrierConfig::responseTime(2)], 0);

  const CliRun forced = cli(onBarrier({QStringLiteral("write"), QStringLiteral("--force"), file("eight.acc")}));
  EXPECT_EQ(forced.exitStatus, 0) << forced.err.toStdString();
  ASSERT_EQ(cli(onBarrier({QStringLiteral("read"), file("forced.acc")})).exitStatus, 0);
  EXPECT_EQ(load(file("forced.acc"))[BarrierConfig::responseTime(2)], 9);
}

TEST_F(CliEndToEnd, ASilentBarrierEndsWithStatusOneWithinTheTimeOut) {
  startBarrier();
  say("silent");
  QElapsedTimer clock;
  clock.start();
  const CliRun run = cli(onBarrier({QStringLiteral("--timeout"), QStringLiteral("1.5"), QStringLiteral("identify")}));
  EXPECT_EQ(run.exitStatus, 1);
  EXPECT_LT(clock.elapsed(), 1500 + 5000);  // the time-out, and a start-up on a loaded machine
  EXPECT_EQ(run.err, QStringLiteral("orvita-cli: ") + uiText(UiTexts::txtCliNoAnswer).arg(barrier) + "\n");
  EXPECT_TRUE(run.out.isEmpty());
}

TEST_F(CliEndToEnd, AMissingPortEndsWithStatusThreeAndTheWindowsReason) {
  const QString missing = dir.filePath(QStringLiteral("unplugged"));
  const CliRun run = cli({QStringLiteral("--port"), missing, QStringLiteral("status")});
  EXPECT_EQ(run.exitStatus, 3);
  EXPECT_EQ(run.err, QStringLiteral("orvita-cli: ") + missing + uiText(UiTexts::txtClosed) + QStringLiteral(": ") +
                         uiText(UiTexts::txtPortNoDevice) + "\n");
}

TEST_F(CliEndToEnd, StatusJsonLinesParseAndFollowTheBarrier) {
  startBarrier({QStringLiteral("--status-size"), QStringLiteral("17")});
  say("config 3 5");  // beam 3 switched on
  QProcess follow;
  startCli(follow, onBarrier({QStringLiteral("status"), QStringLiteral("--follow"), QStringLiteral("--json")}));
  ASSERT_TRUE(follow.waitForStarted(5000));

  // The next line whose state satisfies `wanted`; other changes may come between.
  const auto objectWhere = [&](const std::function<bool(const QJsonObject&)>& wanted) -> QJsonObject {
    for (;;) {
      while (!follow.canReadLine())
        if (!follow.waitForReadyRead(Ceiling)) return {};
      QJsonParseError error;
      const QJsonObject state = QJsonDocument::fromJson(follow.readLine(), &error).object();
      EXPECT_EQ(error.error, QJsonParseError::NoError);
      if (error.error != QJsonParseError::NoError || wanted(state)) return state;
    }
  };
  const auto beam3 = [](const QJsonObject& state) {
    return state.value(QStringLiteral("beams")).toArray().at(2).toObject();
  };
  const QJsonObject first = objectWhere([](const QJsonObject&) { return true; });
  ASSERT_FALSE(first.isEmpty()) << follow.readAllStandardError().toStdString();
  EXPECT_EQ(first.value(QStringLiteral("beamCount")).toInt(), 8);
  EXPECT_EQ(beam3(first).value(QStringLiteral("state")).toString(), QStringLiteral("normal"));
  EXPECT_TRUE(first.value(QStringLiteral("time")).isString());

  say("alert 3 on");
  const QJsonObject alert = objectWhere([&](const QJsonObject& state) { return beam3(state) != beam3(first); });
  EXPECT_EQ(beam3(alert).value(QStringLiteral("state")).toString(), QStringLiteral("alert"));
  EXPECT_TRUE(beam3(alert).value(QStringLiteral("alert")).toBool());

  say("register on");
  EXPECT_FALSE(objectWhere([](const QJsonObject& state) {
                 return state.value(QStringLiteral("registrationMode")).toBool();
               }).isEmpty());
  follow.kill();
  follow.waitForFinished(3000);
}

// What orvita-cli's own commands recorded, read back by history and barriers.
TEST_F(CliEndToEnd, HistoryAndBarriersShowWhatTheCommandsRecorded) {
  startBarrier({QStringLiteral("--beams"), QStringLiteral("4")});
  say("config 9 0x30");  // transmitter 12345
  say("config 10 0x39");
  say("config 2 0");  // beam 2 switched off, beam 3 on
  say("config 3 5");
  const qint64 start = QDateTime::currentMSecsSinceEpoch();
  ASSERT_EQ(cli(onBarrier({QStringLiteral("read"), file("backup.acc")})).exitStatus, 0);
  say("alert 3 on");
  say("bit 2 0 1");  // the alarm output
  ASSERT_EQ(cli(onBarrier({QStringLiteral("status")})).exitStatus, 0);

  const QList<QJsonObject> all = historyJson();
  QStringList names;
  for (const QJsonObject& o : all) names << o.value(QStringLiteral("event")).toString();
  EXPECT_EQ(names.mid(0, 4), (QStringList{"session-start", "connected", "config-read", "file-saved"}));
  EXPECT_TRUE(names.contains(QStringLiteral("status")));
  EXPECT_EQ(names.count(QStringLiteral("session-start")), 2);
  EXPECT_EQ(names.count(QStringLiteral("session-end")), 2);
  EXPECT_EQ(names.count(QStringLiteral("lost")), 2);
  static const QRegularExpression isoWithOffset(
      QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3}(Z|[+-]\\d\\d:\\d\\d)$"));
  for (const QJsonObject& o : all) {
    EXPECT_TRUE(isoWithOffset.match(o.value(QStringLiteral("time")).toString()).hasMatch())
        << o.value(QStringLiteral("time")).toString().toStdString();
    const QString event = o.value(QStringLiteral("event")).toString();
    if (event.startsWith(QStringLiteral("session"))) {
      EXPECT_TRUE(o.value(QStringLiteral("barrier")).isNull());
    } else {
      EXPECT_EQ(o.value(QStringLiteral("barrier")).toInt(), 12345) << event.toStdString();
    }
    if (event == QStringLiteral("lost")) {
      EXPECT_EQ(o.value(QStringLiteral("reason")).toString(), "port-closed");
    }
    if (event == QStringLiteral("config-read")) {
      const QString config = o.value(QStringLiteral("config")).toString();
      EXPECT_EQ(config.size(), 64);
      EXPECT_EQ(config.mid(18, 4), QStringLiteral("3039"));
    }
  }
  // A status row carries what status --json prints.
  QJsonObject alarm;
  for (const QJsonObject& o : all)
    if (o.value(QStringLiteral("alarmOutput")).toBool()) alarm = o;
  ASSERT_FALSE(alarm.isEmpty());
  EXPECT_EQ(alarm.value(QStringLiteral("beamCount")).toInt(), 4);
  const QJsonArray beams = alarm.value(QStringLiteral("beams")).toArray();
  ASSERT_EQ(beams.size(), 4);
  EXPECT_EQ(beams.at(2).toObject().value(QStringLiteral("state")).toString(), QStringLiteral("alert"));
  EXPECT_EQ(beams.at(1).toObject().value(QStringLiteral("state")).toString(), QStringLiteral("off"));
  for (const char* key :
       {"tamperOutput", "busTamper", "lowSupply", "registrationMode", "led", "coveredTooLong", "supplyVolts"})
    EXPECT_TRUE(alarm.contains(QLatin1String(key))) << key;

  // Ranges and barriers.
  EXPECT_TRUE(historyJson({QStringLiteral("--barrier"), QStringLiteral("54321")}).isEmpty());
  const QList<QJsonObject> ofBarrier = historyJson({QStringLiteral("--barrier"), QStringLiteral("12345")});
  EXPECT_EQ(ofBarrier.size(), all.size() - 4) << "all but the sessions' starts and ends";
  EXPECT_TRUE(
      historyJson({QStringLiteral("--until"), QDateTime::fromMSecsSinceEpoch(start - 1000).toString(Qt::ISODate)})
          .isEmpty());
  EXPECT_EQ(historyJson({QStringLiteral("--since"), QStringLiteral("1h")}).size(), all.size());
  EXPECT_EQ(historyJson({QStringLiteral("--since"), QDate::currentDate().addDays(-1).toString(Qt::ISODate)}).size(),
            all.size());

  const CliRun csv = cli({QStringLiteral("history"), QStringLiteral("--csv")});
  ASSERT_EQ(csv.exitStatus, 0) << csv.err.toStdString();
  const QStringList rows = csv.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
  ASSERT_EQ(rows.size(), all.size() + 1);
  EXPECT_TRUE(rows[0].startsWith(QStringLiteral("time,barrier,event,reason,config,text,beamCount,")));
  for (const QString& row : rows) {
    EXPECT_EQ(row.count(QLatin1Char(',')), rows[0].count(QLatin1Char(','))) << row.toStdString();
  }

  const CliRun barriers = cli({QStringLiteral("barriers"), QStringLiteral("--json")});
  ASSERT_EQ(barriers.exitStatus, 0) << barriers.err.toStdString();
  const QJsonObject known = QJsonDocument::fromJson(barriers.out.toUtf8()).object();
  EXPECT_EQ(known.value(QStringLiteral("serial")).toInt(), 12345);
  EXPECT_EQ(known.value(QStringLiteral("version")).toString(), QStringLiteral("1.05"));
  EXPECT_EQ(known.value(QStringLiteral("connections")).toInt(), 2);
  EXPECT_EQ(known.value(QStringLiteral("alarms")).toInt(), 1);
  const CliRun text = cli({QStringLiteral("barriers")});
  EXPECT_TRUE(text.out.startsWith(QStringLiteral("Nadajnik 12345: ORVITA 4 v.1.05"))) << text.out.toStdString();

  const CliRun bad = cli({QStringLiteral("history"), QStringLiteral("--since"), QStringLiteral("wczoraj")});
  EXPECT_EQ(bad.exitStatus, 2);
  EXPECT_EQ(cli({QStringLiteral("history"), QStringLiteral("--json"), QStringLiteral("--csv")}).exitStatus, 2);
}

// status --follow as a night recorder, killed without warning while the
// barrier changes ten times a second: the file stays whole and keeps all
// but the last moments.
TEST_F(CliEndToEnd, ARecorderKilledDuringWritesLeavesAWholeJournal) {
  startBarrier();
  QProcess follow;
  startCli(follow, onBarrier({QStringLiteral("status"), QStringLiteral("--follow"), QStringLiteral("--json")}));
  ASSERT_TRUE(follow.waitForStarted(5000));
  ASSERT_TRUE(follow.waitForReadyRead(Ceiling));
  for (int i = 0; i < 40; ++i) {
    say(i % 2 ? "alert 1 off" : "alert 1 on");
    QThread::msleep(100);
  }
  const qint64 killedAt = QDateTime::currentMSecsSinceEpoch();
  follow.kill();  // SIGKILL
  follow.waitForFinished(5000);

  {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("check"));
    db.setDatabaseName(journal());
    ASSERT_TRUE(db.open());
    QSqlQuery q(db);
    ASSERT_TRUE(q.exec(QStringLiteral("PRAGMA integrity_check")) && q.next());
    EXPECT_EQ(q.value(0).toString(), QStringLiteral("ok"));
    ASSERT_TRUE(q.exec(QStringLiteral("SELECT count(*), max(time) FROM event WHERE kind = 5")) && q.next());
    EXPECT_GE(q.value(0).toInt(), 20);
    // Committed every half second; the ceiling is generous for a loaded
    // machine (journal_bench measures the loss).
    EXPECT_GE(q.value(1).toLongLong(), killedAt - 3000);
    q.finish();
    db.close();
  }
  QSqlDatabase::removeDatabase(QStringLiteral("check"));
}

// Stopped in the morning with Ctrl+C or by its service manager, the
// recorder ends its session in the journal and exits as done.
TEST_F(CliEndToEnd, ARecorderStoppedBySignalEndsItsSession) {
  startBarrier();
  QProcess follow;
  startCli(follow, onBarrier({QStringLiteral("status"), QStringLiteral("--follow")}));
  ASSERT_TRUE(follow.waitForStarted(5000));
  ASSERT_TRUE(follow.waitForReadyRead(Ceiling));
  follow.terminate();  // SIGTERM
  ASSERT_TRUE(follow.waitForFinished(Ceiling));
  EXPECT_EQ(follow.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(follow.exitCode(), 0) << follow.readAllStandardError().toStdString();
  QStringList story;
  for (const QJsonObject& o : historyJson())
    if (o.value(QStringLiteral("event")).toString() != QStringLiteral("status"))
      story << o.value(QStringLiteral("event")).toString() + QLatin1Char(' ') +
                   o.value(QStringLiteral("reason")).toString();
  EXPECT_EQ(story, (QStringList{"session-start ", "connected ", "config-read ", "lost port-closed", "session-end "}));
}

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
