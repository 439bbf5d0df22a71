// orvita-cli against the barrier-sim program on a pseudo-terminal: backup and
// restore, a refused write, a silent barrier, a missing port, and status
// lines that follow the barrier.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

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
#include <cstring>
#include <functional>
#include <limits>

#include "cli/DefaultPort.h"
#include "files/ConfigFile.h"
#include "journal/JournalWriter.h"
#include "serial/PortList.h"
#include "tests/ActingAs.h"
#include "tests/PipedProcess.h"
#include "texts/UiTexts.h"

namespace {

// Waits end on the event that matters; the ceiling only keeps a broken run
// from hanging, and is generous for a loaded machine.
constexpr int Ceiling = 30000;

struct CliRun {
  int exitStatus = -1;
  QString out;
  QString err;
  QByteArray bytes;  // standard output as it came
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
  // Runs orvita-cli to its end, with `input` on its standard input.
  CliRun cli(const QStringList& arguments, const QByteArray& input = {},
             const QProcessEnvironment& env = QProcessEnvironment()) const {
    QProcess process;
    if (!env.isEmpty()) process.setProcessEnvironment(env);
    if (env.isEmpty())
      startCli(process, arguments);
    else
      process.start(QStringLiteral(ORVITA_CLI), arguments);
    process.write(input);
    process.closeWriteChannel();
    CliRun run;
    if (!process.waitForFinished(Ceiling)) return run;
    run.exitStatus = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.bytes = process.readAllStandardOutput();
    run.out = QString::fromUtf8(run.bytes);
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
  }
  QStringList onBarrier(QStringList arguments) const {
    return QStringList{QStringLiteral("--port"), barrier} + arguments;
  }
  QString file(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
  // With a walk test in the journal: a record is the user's alone, and never
  // written through a link that another user planted in a shared folder
  // (planting takes root; the run of orvita-cli is the user's, root's).
  void expectRecordNeverWrittenThroughAPlantedLink() {
    const mode_t umask = ::umask(022);
    const CliRun mine = cli({QStringLiteral("report"), file("mine.pdf")});
    ::umask(umask);
    EXPECT_EQ(mine.exitStatus, 0) << mine.err.toStdString();
    EXPECT_EQ(modeOf(file("mine.pdf")), 0600u);
    if (!isRoot()) return;
    const QString victim = file("victim"), shared = file("shared"), planted = shared + "/protokol.pdf";
    QFile original(victim);
    ASSERT_TRUE(original.open(QIODevice::WriteOnly));
    original.write("kept");
    original.close();
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("shared")));
    ASSERT_TRUE(setOwnerAndMode(shared, 0, 01777));
    ASSERT_TRUE(plantLink(victim, planted, Stranger));
    const CliRun refused = cli({QStringLiteral("report"), planted});
    EXPECT_EQ(refused.exitStatus, 2);
    EXPECT_TRUE(refused.err.endsWith(QStringLiteral("orvita-cli: ") + planted + QStringLiteral(": ") +
                                     uiText(UiTexts::txtForeignLink) + QStringLiteral(".\n")))
        << refused.err.toStdString();
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    EXPECT_EQ(original.readAll(), QByteArray("kept"));
  }
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

  // The bytes barrier-sim prints for `command` ("config": 32, "show": 9).
  QList<int> printedBytes(const char* command, int count) {
    sim.readAllStandardError();
    say(command);
    const QRegularExpression line(QStringLiteral("^((?:[0-9A-F]{2} ){%1}[0-9A-F]{2})$").arg(count - 1),
                                  QRegularExpression::MultilineOption);
    QByteArray printed;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < Ceiling) {
      sim.waitForReadyRead(100);
      printed += sim.readAllStandardError();
      const auto match = line.match(QString::fromLatin1(printed));
      if (!match.hasMatch()) continue;
      QList<int> bytes;
      for (const QString& hex : match.captured(1).split(QLatin1Char(' '))) bytes << hex.toInt(nullptr, 16);
      return bytes;
    }
    return {};
  }

  // The next JSON object a running orvita-cli prints; empty when none comes.
  static QJsonObject nextJson(QProcess& process) {
    while (!process.canReadLine())
      if (!process.waitForReadyRead(Ceiling)) return {};
    QJsonParseError error;
    const QJsonObject object = QJsonDocument::fromJson(process.readLine(), &error).object();
    EXPECT_EQ(error.error, QJsonParseError::NoError);
    return object;
  }
  // The next object whose "event" is `event`, skipping others.
  static QJsonObject nextEvent(QProcess& process, const QString& event) {
    for (QJsonObject object = nextJson(process); !object.isEmpty(); object = nextJson(process))
      if (object.value(QStringLiteral("event")).toString() == event) return object;
    return {};
  }
  // The text of a PDF as poppler reads it, each table row on one line.
  static QString pdfText(const QString& path) {
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
    text.waitForFinished(Ceiling);
    return QString::fromUtf8(text.readAllStandardOutput());
  }

  QTemporaryDir dir;
  QProcess sim;
  QString barrier;
};

// Starts orvita-cli with its standard output piped (tests/PipedProcess.h),
// and its standard error too with `captureErrors`; its settings and journal
// in `configHome`.
PipedProcess startPiped(const QStringList& arguments, const QString& configHome, bool unread = false,
                        bool captureErrors = false) {
  std::vector<QByteArray> words;
  for (const QString& argument : arguments) words.push_back(argument.toLocal8Bit());
  return spawnPiped(
      ORVITA_CLI, words,
      {"XDG_CONFIG_HOME=" + configHome.toLocal8Bit(), "ORVITA_JOURNAL=" + configHome.toLocal8Bit() + "/journal.sqlite"},
      STDOUT_FILENO, unread, captureErrors);
}

// Everything left in a pipe whose writer has ended.
QByteArray drain(int fd) {
  QByteArray all;
  char chunk[4096];
  for (ssize_t n; (n = ::read(fd, chunk, sizeof chunk)) > 0;) all.append(chunk, n);
  ::close(fd);
  return all;
}

// The signal that ended `process`; 0 when it exited. QProcess reports a
// death by a signal as a crash with the signal's number as its code.
int endingSignal(const QProcess& process) {
  return process.exitStatus() == QProcess::CrashExit ? process.exitCode() : 0;
}

// The wait status once the process ends; -1 when it is still running after `ceilingMs`.
int waitStatus(pid_t pid, int ceilingMs) {
  QElapsedTimer clock;
  clock.start();
  int status = 0;
  while (::waitpid(pid, &status, WNOHANG) == 0) {
    if (clock.elapsed() > ceilingMs) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &status, 0);
      return -1;
    }
    ::usleep(20000);
  }
  return status;
}

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
  const CliRun identifyJson = cli({QStringLiteral("identify"), QStringLiteral("--json")});
  EXPECT_EQ(QJsonDocument::fromJson(identifyJson.bytes).object(),
            (QJsonObject{{"identification", "ORVITA 8 v.1.05    2021-07-14"},
                         {"beamCount", 8},
                         {"version", "1.05"},
                         {"versionDate", "2021-07-14"},
                         {"versionBytes", "0601000520210714"},
                         {"port", barrier}}))
      << identifyJson.out.toStdString() << identifyJson.err.toStdString();

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

// "-" for a file: the configuration through pipes, as a script passes it on.
TEST_F(CliEndToEnd, AConfigurationGoesThroughStandardInputAndOutput) {
  startBarrier({QStringLiteral("--beams"), QStringLiteral("4")});
  say("config 1 5");
  const CliRun read = cli(onBarrier({QStringLiteral("read"), QStringLiteral("-")}));
  ASSERT_EQ(read.exitStatus, 0) << read.err.toStdString();
  ASSERT_EQ(read.bytes.size(), 32);
  EXPECT_EQ(read.bytes[1], 5);
  EXPECT_EQ(read.bytes[31], 4);

  QByteArray changed = read.bytes;
  changed[1] = 9;
  changed[11] = 7;
  const CliRun write = cli(onBarrier({QStringLiteral("write"), QStringLiteral("-")}), changed);
  EXPECT_EQ(write.exitStatus, 0) << write.err.toStdString();
  EXPECT_EQ(cli(onBarrier({QStringLiteral("read"), QStringLiteral("-")})).bytes, changed);

  const CliRun show = cli({QStringLiteral("show"), QStringLiteral("-")}, changed);
  EXPECT_EQ(show.exitStatus, 0);
  EXPECT_TRUE(show.out.contains(QStringLiteral("Wiązka 1: Czułość 360 ms"))) << show.out.toStdString();
  ASSERT_EQ(cli(onBarrier({QStringLiteral("read"), file("before.acc")})).exitStatus, 0);
  const CliRun diff = cli({QStringLiteral("diff"), file("before.acc"), QStringLiteral("-")}, read.bytes);
  EXPECT_EQ(diff.exitStatus, 1);
  EXPECT_EQ(diff.out.count(QLatin1Char('\n')), 2) << diff.out.toStdString();
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
  EXPECT_EQ(run.err, QStringLiteral("orvita-cli: ") +
                         uiText(UiTexts::txtCliPortNotOpened).arg(missing, uiText(UiTexts::txtPortNoDeviceShell)) +
                         "\n");
}

TEST_F(CliEndToEnd, AWriteIsConfirmedOnlyByBytesTheBarrierSendsBack) {
  startBarrier({QStringLiteral("--data-size"), QStringLiteral("8")});  // bytes 8 to 11 never come back
  BarrierConfig config;
  config[BarrierConfig::BeamCount] = 8;
  for (std::size_t i = 0; i < 12; ++i) config[i] = std::uint8_t(i + 1);
  ASSERT_TRUE(writeConfigFile(file("short.acc"), config));
  const CliRun run = cli(onBarrier({QStringLiteral("write"), file("short.acc")}));
  EXPECT_EQ(run.exitStatus, 1);
  EXPECT_EQ(run.err, QStringLiteral("orvita-cli: ") + uiText(UiTexts::txtCliVerifyFailed).arg("8, 9, 10, 11") + "\n");
}

// The cable moved to another barrier during a write, or before a reset went
// out: nothing more is sent, and one line names both barriers.
TEST_F(CliEndToEnd, AWriteOrAResetEndsWhenAnotherBarrierAnswersAndSendsItNothing) {
  startBarrier();
  // A: 12345, 8 beams. Behind the other cable B: 22222, 4 beams, its own configuration.
  for (const char* command : {"config 9 0x30", "config 10 0x39", "other beams 4", "other config 1 10",
                              "other config 9 0x56", "other config 10 0xCE", "other config 11 20", "other set 7 0x0F"})
    say(command);
  const QList<int> b = printedBytes("other config", 32);
  ASSERT_EQ(b.value(9), 0x56);
  BarrierConfig config;
  config[BarrierConfig::BeamCount] = 8;
  config[BarrierConfig::SerialHigh] = 0x30;
  config[BarrierConfig::SerialLow] = 0x39;
  for (std::size_t beam = 1; beam <= 8; ++beam) config[BarrierConfig::responseTime(int(beam))] = 5;
  config[BarrierConfig::MaxCoveredTime] = 25;
  ASSERT_TRUE(writeConfigFile(file("a.acc"), config));

  say("swap 2 4");  // once A answered the version, the read and the first block
  const CliRun write = cli(onBarrier({QStringLiteral("write"), file("a.acc")}));
  EXPECT_EQ(write.exitStatus, 1);
  EXPECT_EQ(write.err, QStringLiteral("orvita-cli: Bariera nr 22222 (%1): ").arg(barrier) +
                           uiText(UiTexts::txtOtherBarrier).arg(12345) + QLatin1Char(' ') +
                           uiText(UiTexts::txtSwapWriteInterrupted).arg(12345) + "\n");
  EXPECT_EQ(printedBytes("config", 32), b);

  // C behind the other cable now: B's version, 33333. The reset asked of B never goes out.
  for (const char* command : {"other beams 4", "other config 9 0x82", "other config 10 0x35", "other set 7 0x0C"})
    say(command);
  say("swap 2 3");  // once B answered the version and the read
  const CliRun reset = cli(onBarrier({QStringLiteral("reset")}));
  EXPECT_EQ(reset.exitStatus, 1);
  EXPECT_EQ(reset.err, QStringLiteral("orvita-cli: Bariera nr 33333 (%1): ").arg(barrier) +
                           uiText(UiTexts::txtOtherBarrier).arg(22222) + QLatin1Char(' ') +
                           uiText(UiTexts::txtSwapResetNotDone).arg(22222) + "\n");
  EXPECT_EQ(printedBytes("show", 9).value(7), 0x0C);
}

// Ctrl+C in the middle of a write: the block in flight is finished, nothing
// more is sent, and one line says what the barrier holds.
TEST_F(CliEndToEnd, AnInterruptedWriteSaysWhatTheBarrierHolds) {
  startBarrier();
  say("delay 600");  // below the cycle's 1000 ms, so that nothing is sent twice
  BarrierConfig config;
  config[BarrierConfig::BeamCount] = 8;
  for (std::size_t i = 0; i < 12; ++i) config[i] = std::uint8_t(0x40 + i);
  for (std::size_t i = 16; i < 25; ++i) config[i] = std::uint8_t(0x40 + i);
  ASSERT_TRUE(writeConfigFile(file("new.acc"), config));

  // The barrier's configuration as it prints it: "XX XX ..." on standard error.
  QByteArray simErrors;
  // Every "config" asked is answered in turn: the answer to the latest is the state now.
  int asked = 0, answered = 0;
  const auto barrierConfig = [&]() -> QList<QByteArray> {
    say("config");
    ++asked;
    QList<QByteArray> latest;
    QElapsedTimer clock;
    clock.start();
    while (answered < asked && clock.elapsed() < Ceiling) {
      sim.waitForReadyRead(100);
      simErrors += sim.readAllStandardError();
      for (qsizetype end = simErrors.indexOf('\n'); end >= 0; end = simErrors.indexOf('\n')) {
        const QList<QByteArray> bytes = simErrors.left(end).trimmed().split(' ');
        simErrors.remove(0, end + 1);
        if (bytes.size() == 32) {
          latest = bytes;
          ++answered;
        }
      }
    }
    return answered == asked ? latest : QList<QByteArray>{};
  };
  const QByteArray written = QByteArray::number(0x40 + 16, 16).toUpper();

  // SIGTERM before the first block went out (the version reply alone takes
  // 600 ms, and is left on the line for the next run).
  QProcess early;
  startCli(early, onBarrier({QStringLiteral("write"), file("new.acc")}));
  ASSERT_TRUE(early.waitForStarted(5000));
  const auto catches = [](qint64 pid, int signalNumber) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly)) return false;
    for (const QByteArray& line : status.readAll().split('\n'))
      if (line.startsWith("SigCgt:"))
        return ((line.mid(7).trimmed().toULongLong(nullptr, 16) >> (signalNumber - 1)) & 1) != 0;
    return false;
  };
  QElapsedTimer started;
  started.start();
  while (!catches(early.processId(), SIGTERM) && started.elapsed() < Ceiling) ::usleep(5000);
  ASSERT_EQ(::kill(pid_t(early.processId()), SIGTERM), 0);
  ASSERT_TRUE(early.waitForFinished(Ceiling));
  EXPECT_EQ(endingSignal(early), SIGTERM);
  EXPECT_EQ(QString::fromUtf8(early.readAllStandardError()),
            QStringLiteral("orvita-cli: ") + uiText(UiTexts::txtCliStoppedUntouched).arg("SIGTERM") + "\n");
  ::usleep(800000);  // its reply is on the line before the next run opens the port

  QProcess write;
  startCli(write, onBarrier({QStringLiteral("write"), file("new.acc")}));
  ASSERT_TRUE(write.waitForStarted(5000));
  // Once the barrier has taken the first block (16 to 24), while its confirmation is on the way.
  QList<QByteArray> held;
  QElapsedTimer clock;
  clock.start();
  do held = barrierConfig();
  while (held.value(16) != written && clock.elapsed() < Ceiling);
  ASSERT_EQ(held.value(16), written);
  ASSERT_EQ(::kill(pid_t(write.processId()), SIGINT), 0);
  ASSERT_TRUE(write.waitForFinished(Ceiling));
  EXPECT_EQ(endingSignal(write), SIGINT);
  const QString error = QString::fromUtf8(write.readAllStandardError());

  held = barrierConfig();
  ASSERT_EQ(held.size(), 32);
  const bool firstBlockWritten = held[0] == QByteArrayLiteral("40");
  EXPECT_EQ(held[24], QByteArray::number(0x40 + 24, 16).toUpper()) << held.join(' ').toStdString();
  const QString expected = firstBlockWritten
                               ? uiText(UiTexts::txtCliStoppedUnchecked).arg("SIGINT")
                               : uiText(UiTexts::txtCliStoppedPartly).arg("SIGINT", QStringLiteral("16–24"));
  EXPECT_EQ(error.toStdString(), (QStringLiteral("orvita-cli: ") + expected + "\n").toStdString())
      << held.join(' ').toStdString();
}

// As jq or sqlite3 under `| head`: no word, the status of a broken pipe.
TEST_F(CliEndToEnd, FollowingEndsAtOnceWhenItsReaderGoesAndFreesThePort) {
  startBarrier();
  PipedProcess follow =
      startPiped(onBarrier({QStringLiteral("status"), QStringLiteral("--follow")}), dir.path(), false, true);
  ASSERT_GT(follow.pid, 0);
  // The first state whole; then nothing more comes while the barrier stays as it is.
  QByteArray shown;
  pollfd reader{follow.reader, POLLIN, 0};
  while (::poll(&reader, 1, shown.isEmpty() ? Ceiling : 1000) == 1) {
    char chunk[4096];
    const ssize_t n = ::read(follow.reader, chunk, sizeof chunk);
    if (n <= 0) break;
    shown.append(chunk, n);
  }
  ASSERT_TRUE(shown.contains("Wiązka 1"));
  ::close(follow.reader);  // as `| head` does once it has its lines
  const int status = waitStatus(follow.pid, Ceiling);
  ASSERT_TRUE(WIFSIGNALED(status)) << status;  // not still polling
  EXPECT_EQ(WTERMSIG(status), SIGPIPE);
  EXPECT_EQ(drain(follow.errors), QByteArray());
  EXPECT_EQ(cli(onBarrier({QStringLiteral("identify")})).exitStatus, 0);
  // Its session ended before it did.
  EXPECT_EQ(historyJson().constLast().value(QStringLiteral("event")).toString(), QStringLiteral("session-end"));
}

// With --json the loss and the return are objects among the states, so that
// a reader tells "no change" from "no barrier".
TEST_F(CliEndToEnd, FollowingWithReconnectGoesOnAcrossALostBarrier) {
  startBarrier();
  QProcess follow;
  startCli(follow, onBarrier({QStringLiteral("status"), QStringLiteral("--follow"), QStringLiteral("--reconnect"),
                              QStringLiteral("--json")}));
  ASSERT_TRUE(follow.waitForStarted(5000));
  ASSERT_FALSE(nextJson(follow).isEmpty()) << follow.readAllStandardError().toStdString();
  say("hangup");  // the adapter unplugged: a new terminal behind the same link
  const QJsonObject lost = nextJson(follow);
  const QJsonObject back = nextJson(follow);
  EXPECT_EQ(lost.value(QStringLiteral("event")).toString(), QStringLiteral("lost"));
  EXPECT_EQ(back.value(QStringLiteral("event")).toString(), QStringLiteral("back"));
  for (const QJsonObject& change : {lost, back}) {
    EXPECT_EQ(change.value(QStringLiteral("port")).toString(), barrier);
    EXPECT_TRUE(change.value(QStringLiteral("time")).toString().startsWith(QDate::currentDate().toString(Qt::ISODate)));
  }
  // What holds after the return, though nothing changed; then it follows on.
  const QJsonObject again = nextJson(follow);
  EXPECT_TRUE(again.contains(QStringLiteral("beams")) && !again.contains(QStringLiteral("event")));
  say("alert 2 on");
  bool alertSeen = false;
  while (!alertSeen) {
    const QJsonObject state = nextJson(follow);
    if (state.isEmpty()) break;
    alertSeen = state.value(QStringLiteral("beams")).toArray().at(1).toObject().value(QStringLiteral("alert")).toBool();
  }
  EXPECT_TRUE(alertSeen) << follow.readAllStandardError().toStdString();
  EXPECT_EQ(follow.state(), QProcess::Running);
  EXPECT_EQ(follow.readAllStandardError(), QByteArray()) << "standard error is for faults";
  follow.kill();
  follow.waitForFinished(3000);
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

// Without a barrier: the files, the output and the port choice.
TEST_F(CliEndToEnd, OfflineDiffSaysWhenTheFilesDiffer) {
  BarrierConfig a;
  a[BarrierConfig::BeamCount] = 8;
  BarrierConfig b = a;
  b[BarrierConfig::MaxCoveredTime] = 5;
  ASSERT_TRUE(writeConfigFile(file("a.acc"), a));
  ASSERT_TRUE(writeConfigFile(file("b.acc"), b));
  const CliRun differ = cli({QStringLiteral("diff"), file("a.acc"), file("b.acc")});
  EXPECT_EQ(differ.exitStatus, 1);
  EXPECT_EQ(differ.out.count(QLatin1Char('\n')), 1) << differ.out.toStdString();
  EXPECT_EQ(cli({QStringLiteral("diff"), file("a.acc"), file("a.acc")}).exitStatus, 0);
}

TEST_F(CliEndToEnd, OfflineAnOddFileIsShownAfterAWarning) {
  QFile odd(file("odd.acc"));
  ASSERT_TRUE(odd.open(QIODevice::WriteOnly));
  odd.write(QByteArray(40, '\x6E'));  // byte 31: 110 beams
  odd.close();
  const CliRun run = cli({QStringLiteral("show"), file("odd.acc")});
  EXPECT_EQ(run.exitStatus, 0);
  EXPECT_TRUE(run.out.startsWith(QStringLiteral("Liczba wiązek: 110\n"))) << run.out.toStdString();
  const QString prefix = QStringLiteral("orvita-cli: ") + file("odd.acc") + QStringLiteral(": ");
  EXPECT_EQ(run.err, prefix + uiText(UiTexts::txtCliFileSize).arg(40) + "\n" + prefix +
                         uiText(UiTexts::txtCliFileBeamCount).arg(110) + "\n");

  // Shorter than a configuration, or missing: refused, in the program's words.
  odd.open(QIODevice::WriteOnly | QIODevice::Truncate);
  odd.write(QByteArray(20, '\x08'));
  odd.close();
  const CliRun shorter = cli({QStringLiteral("show"), file("odd.acc")});
  EXPECT_EQ(shorter.exitStatus, 2);
  EXPECT_EQ(shorter.err, prefix + uiText(UiTexts::txtCliFileTooShort) + ".\n");
  EXPECT_TRUE(shorter.out.isEmpty());
  EXPECT_EQ(cli({QStringLiteral("show"), QStringLiteral("-")}, QByteArray(5, '\0')).err,
            QStringLiteral("orvita-cli: standardowe wejście: ") + uiText(UiTexts::txtCliFileTooShort) + ".\n");
  EXPECT_EQ(cli({QStringLiteral("show"), file("none.acc")}).err,
            QStringLiteral("orvita-cli: ") + file("none.acc") + ": " + uiText(UiTexts::txtCliFileNotFound) + ".\n");
}

// Under cron (no XDG_RUNTIME_DIR) or sudo (another user's): the record's
// refusal alone, no word of Qt's about the runtime folder.
TEST_F(CliEndToEnd, OfflineAReportSaysNothingOfTheRuntimeFolder) {
  QDir(dir.path()).mkdir(QStringLiteral("runtime"));
  QFile::setPermissions(dir.filePath(QStringLiteral("runtime")),
                        QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther);
  for (const QString& runtime : {QString(), dir.filePath(QStringLiteral("runtime"))}) {
    QProcessEnvironment env = environment();
    env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    if (!runtime.isEmpty()) env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    const CliRun run = cli({QStringLiteral("report"), file("protokol.pdf")}, {}, env);
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(run.err, QStringLiteral("orvita-cli: ") + uiText(UiTexts::txtCliNoWalkTest) + "\n")
        << runtime.toStdString();
  }
}

TEST_F(CliEndToEnd, OfflineAnOutputThatCannotBeWrittenFailsInsteadOfEndingTheProgram) {
  BarrierConfig config;
  config[BarrierConfig::BeamCount] = 8;
  ASSERT_TRUE(writeConfigFile(file("c.acc"), config));
  QProcess full;
  full.setStandardOutputFile(QStringLiteral("/dev/full"));
  full.start(QStringLiteral(ORVITA_CLI), {QStringLiteral("show"), file("c.acc")});
  ASSERT_TRUE(full.waitForFinished(Ceiling));
  EXPECT_EQ(full.exitCode(), 2);
  EXPECT_TRUE(QString::fromUtf8(full.readAllStandardError()).startsWith(QStringLiteral("orvita-cli: ")));

  // A reader gone away: quietly, as SIGPIPE ends jq.
  const PipedProcess closed = startPiped({QStringLiteral("show"), file("c.acc")}, dir.path(), true, true);
  ASSERT_GT(closed.pid, 0);
  const int status = waitStatus(closed.pid, Ceiling);
  ASSERT_TRUE(WIFSIGNALED(status)) << "exited with " << WEXITSTATUS(status);
  EXPECT_EQ(WTERMSIG(status), SIGPIPE);
  EXPECT_EQ(drain(closed.errors), QByteArray());
}

// The test's settings folder stores no port. What the program must do then
// depends on this machine's adapters, read here as the program reads them:
// with exactly one USB adapter it takes it, else it asks for --port and
// names the ports there are.
TEST_F(CliEndToEnd, OfflineWithoutAPortGivenOrStoredItAsksForOne) {
  QStringList ports = systemPorts();
  ports.sort(Qt::CaseInsensitive);
  const std::optional<QString> adapter = onlyUsbAdapter(describePorts(ports));
  const CliRun run = cli({QStringLiteral("--timeout"), QStringLiteral("1"), QStringLiteral("identify")});
  if (!adapter) {
    EXPECT_EQ(run.exitStatus, 2);
    const QString found = ports.isEmpty() ? uiText(UiTexts::txtCliNoPortsFound) : ports.join(QStringLiteral(", "));
    EXPECT_TRUE(run.err.endsWith(QStringLiteral("orvita-cli: ") + uiText(UiTexts::txtCliNoPort).arg(found) + "\n"))
        << run.err.toStdString();
  } else {
    // No barrier answers on this machine's adapter in a test: the error names the port taken.
    EXPECT_NE(run.exitStatus, 0);
    EXPECT_FALSE(run.err.contains(QStringLiteral("--port"))) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(*adapter)) << run.err.toStdString();
  }
  EXPECT_TRUE(run.out.isEmpty());
}

// history and barriers on a journal that holds what the program must not
// pass on as fact: a time no calendar has, status rows before the supply was
// read, and two barriers that share serial number 0.
TEST_F(CliEndToEnd, OfflineHistoryTellsOnlyWhatTheJournalKnows) {
  {
    JournalOptions options;
    options.path = journal();
    options.retentionDays = 0;
    JournalWriter w(options);
    const qint64 t = QDateTime(QDate(2026, 12, 8), QTime(3, 12)).toMSecsSinceEpoch();
    w.startSession(t, QStringLiteral("orvita"), QStringLiteral("ttyUSB0"));
    w.startConnection(t + 100, QByteArray::fromHex("0601000520210714"), 8);
    w.setBarrier(t + 100, 0);
    w.addEvent(t + 200, JournalEventKind::Status, statusBytes(BarrierStatus{}));
    w.addEvent(t + 300, JournalEventKind::Supply, {}, QStringLiteral("12.2"));
    w.addEvent(t + 400, JournalEventKind::Status, statusBytes(BarrierStatus{}));
    w.endConnection(t + 500, JournalLossReason::Unplugged);
    w.startConnection(t + 600, QByteArray::fromHex("0201000520210714"), 4);
    w.setBarrier(t + 600, 0);
    w.addEvent(t + 700, JournalEventKind::Reset);
    w.endSession(t + 800);
  }
  {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("craft"));
    db.setDatabaseName(journal());
    ASSERT_TRUE(db.open());
    ASSERT_TRUE(QSqlQuery(db).exec(QStringLiteral("UPDATE event SET time = %1 WHERE kind = %2")
                                       .arg(std::numeric_limits<qint64>::min())
                                       .arg(int(JournalEventKind::Reset))));
    db.close();
  }
  QSqlDatabase::removeDatabase(QStringLiteral("craft"));

  const QList<QJsonObject> events = historyJson();
  QList<QJsonObject> statuses;
  for (const QJsonObject& o : events) {
    if (o.value(QStringLiteral("event")).toString() == QStringLiteral("status")) statuses << o;
    if (o.value(QStringLiteral("event")).toString() == QStringLiteral("reset")) {
      EXPECT_TRUE(o.value(QStringLiteral("time")).isNull());
    }
  }
  ASSERT_EQ(statuses.size(), 2);
  EXPECT_TRUE(statuses[0].value(QStringLiteral("supplyVolts")).isNull()) << "before the filter settled";
  EXPECT_EQ(statuses[1].value(QStringLiteral("supplyVolts")).toDouble(), 12.2);

  const CliRun text = cli({QStringLiteral("history")});
  ASSERT_EQ(text.exitStatus, 0) << text.err.toStdString();
  const QStringList lines = text.out.split(u'\n', Qt::SkipEmptyParts);
  EXPECT_TRUE(lines[0].startsWith(uiText(UiTexts::txtJournalTimeInvalid) + QStringLiteral(" nie ustawiony reset")))
      << lines[0].toStdString();
  for (const QString& line : lines.filter(QStringLiteral(" status ")))
    EXPECT_EQ(line.contains(QStringLiteral("Zasilanie")), line.contains(QStringLiteral("12,2 V")))
        << line.toStdString();

  const CliRun barriers = cli({QStringLiteral("barriers")});
  ASSERT_EQ(barriers.exitStatus, 0);
  EXPECT_EQ(barriers.out.count(QStringLiteral("Nadajnik nie ustawiony: ORVITA ")), 2) << barriers.out.toStdString();

  const CliRun spreadsheet = cli({QStringLiteral("history"), QStringLiteral("--spreadsheet")});
  ASSERT_EQ(spreadsheet.exitStatus, 0);
  EXPECT_TRUE(spreadsheet.bytes.startsWith("\xEF\xBB\xBFtime;barrier;event;"));
  EXPECT_TRUE(spreadsheet.out.contains(QStringLiteral(";status;;;;8;;;;;;;1 2 3 4 5 6 7 8;0;0;0;0;0;0;0;0;0;12,2\n")))
      << spreadsheet.out.toStdString();
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
  QString lastLoss;
  for (const QJsonObject& o : all)
    if (o.value(QStringLiteral("event")).toString() == QStringLiteral("lost"))
      lastLoss = o.value(QStringLiteral("time")).toString();
  EXPECT_EQ(known.value(QStringLiteral("lastSeen")).toString(), lastLoss) << "when the second command let it go";
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

// The walk test in a terminal, pass by pass, a switched-off beam left out,
// the result kept in the journal and the record printed from it.
TEST_F(CliEndToEnd, AWalkTestPassesItemByItemAndItsRecordComesFromTheJournal) {
  startBarrier({QStringLiteral("--beams"), QStringLiteral("3")});
  say("config 1 5");
  say("config 3 5");  // beam 2 stays switched off
  say("config 9 0x30");
  say("config 10 0x39");  // transmitter 12345
  QProcess walk;
  startCli(walk, onBarrier({QStringLiteral("walktest"), QStringLiteral("--json")}));
  ASSERT_TRUE(walk.waitForStarted(5000));
  QList<QJsonObject> printed{nextJson(walk)};
  ASSERT_EQ(printed[0].value(QStringLiteral("event")), QStringLiteral("next"))
      << walk.readAllStandardError().toStdString();
  EXPECT_EQ(printed[0].value(QStringLiteral("beam")).toInt(), 1);

  // Interrupted for longer than many status polls, even on a loaded machine,
  // then clear again; the pass of that item is awaited, the outputs' passes
  // that come between are kept too.
  const auto walkThrough = [&](const char* on, const char* off, const char* item, int beam) {
    say(on);
    QThread::msleep(1000);
    say(off);
    for (QJsonObject object = nextJson(walk); !object.isEmpty(); object = nextJson(walk)) {
      printed << object;
      if (object.value(QStringLiteral("event")) == QStringLiteral("passed") &&
          object.value(QStringLiteral("item")).toString() == QLatin1String(item) &&
          object.value(QStringLiteral("beam")).toInt() == beam)
        return;
    }
    ADD_FAILURE() << "no pass after " << on;
  };
  walkThrough("cross 3 on", "cross 3 off", "beam", 3);
  walkThrough("cross 1 on", "cross 1 off", "beam", 1);
  walkThrough("tamper tx open", "tamper tx closed", "transmitterTamper", 0);
  walkThrough("tamper rx open", "tamper rx closed", "receiverTamper", 0);
  ASSERT_TRUE(walk.waitForFinished(Ceiling));
  EXPECT_EQ(walk.exitCode(), 0) << walk.readAllStandardError().toStdString();
  for (QJsonObject object = nextJson(walk); !object.isEmpty(); object = nextJson(walk)) printed << object;
  const QJsonObject result = printed.last();
  EXPECT_EQ(result.value(QStringLiteral("result")).toString(), QStringLiteral("passed"));
  // After the passes one status brought (one time), what to walk next; after
  // the last ones, the result.
  const auto passAt = [&](qsizetype i) {
    return printed[i].value(QStringLiteral("event")) == QStringLiteral("passed") ? printed[i].value("time").toString()
                                                                                 : QString();
  };
  for (qsizetype i = 0; i + 1 < printed.size(); ++i) {
    if (passAt(i).isEmpty() || passAt(i + 1) == passAt(i)) continue;
    EXPECT_TRUE(printed[i + 1].value(QStringLiteral("event")) == QStringLiteral("next") || i + 2 == printed.size())
        << i << ": " << QJsonDocument(printed[i + 1]).toJson().toStdString();
  }
  const QJsonArray items = result.value(QStringLiteral("items")).toArray();
  ASSERT_EQ(items.size(), 3 + 4);
  for (int i : {0, 2}) {
    const QJsonObject beam = items[i].toObject();
    EXPECT_EQ(beam.value(QStringLiteral("result")).toString(), QStringLiteral("passed"));
    EXPECT_TRUE(beam.value(QStringLiteral("interrupted")).isString());
    EXPECT_TRUE(beam.value(QStringLiteral("alarmOutput")).toBool()) << "barrier-sim's crossing trips the output";
  }
  EXPECT_EQ(items[1].toObject().value(QStringLiteral("result")).toString(), QStringLiteral("not tested"));
  EXPECT_EQ(result.value(QStringLiteral("supplyMin")).toDouble(), 12.2);

  const QString record = file("protokół.pdf");
  const CliRun report = cli({QStringLiteral("report"), record, QStringLiteral("--site"),
                             QStringLiteral("Brama wjazdowa, Kraków-Łagiewniki"), QStringLiteral("--technician"),
                             QStringLiteral("Józef Żak")});
  ASSERT_EQ(report.exitStatus, 0) << report.err.toStdString();
  const QString text = pdfText(record);
  for (const char* expected : {"ORVITA 3 v.1.05", "12345", "Brama wjazdowa, Kraków-Łagiewniki", "Józef Żak",
                               "Wynik testu: POZYTYWNY", "Styk sabotażowy odbiornika"})
    EXPECT_TRUE(text.contains(QString::fromUtf8(expected))) << expected;
  const QStringList lines = text.split(QLatin1Char('\n'));
  const auto row = [&](const QString& start) {
    for (const QString& line : lines)
      if (line.trimmed().startsWith(start)) return line.simplified();
    return QString();
  };
  EXPECT_TRUE(row(QStringLiteral("Wiązka 1 ")).contains(QStringLiteral("pozytywny")));
  EXPECT_TRUE(row(QStringLiteral("Wiązka 2 wyłączona")).contains(QStringLiteral("nie testowano")));
  EXPECT_TRUE(row(QStringLiteral("Wiązka 3 ")).contains(QStringLiteral("pozytywny")));

  // Another barrier's test, failed for want of walking, is now the journal's
  // newest; the record of the first barrier is still there for the asking.
  say("config 10 0x3A");  // transmitter 12346
  const CliRun other = cli(onBarrier({QStringLiteral("walktest"), QStringLiteral("--timeout"), QStringLiteral("5")}));
  ASSERT_EQ(other.exitStatus, 1) << other.err.toStdString();
  const CliRun newest = cli({QStringLiteral("report"), file("newest.pdf")});
  ASSERT_EQ(newest.exitStatus, 0) << newest.err.toStdString();
  EXPECT_TRUE(pdfText(file("newest.pdf")).contains(QStringLiteral("Wynik testu: NEGATYWNY")));
  const CliRun asked =
      cli({QStringLiteral("report"), file("asked.pdf"), QStringLiteral("--barrier"), QStringLiteral("12345")});
  ASSERT_EQ(asked.exitStatus, 0) << asked.err.toStdString();
  const QString askedText = pdfText(file("asked.pdf"));
  EXPECT_TRUE(askedText.contains(QStringLiteral("Wynik testu: POZYTYWNY")));
  EXPECT_TRUE(askedText.contains(QStringLiteral("Numer seryjny nadajnika 12345")));
  const CliRun unknown =
      cli({QStringLiteral("report"), file("unknown.pdf"), QStringLiteral("--barrier"), QStringLiteral("999")});
  EXPECT_EQ(unknown.exitStatus, 1);
  EXPECT_TRUE(
      unknown.err.endsWith(QStringLiteral("orvita-cli: ") + uiText(UiTexts::txtCliNoWalkTestOf).arg(999) + "\n"))
      << unknown.err.toStdString();
  EXPECT_FALSE(QFileInfo::exists(file("unknown.pdf")));

  // Ctrl+C ends a walk test at once, long before its time-out, as the shell
  // reports a process it interrupted.
  QProcess stopped;
  startCli(stopped, onBarrier({QStringLiteral("walktest"), QStringLiteral("--json"), QStringLiteral("--timeout"),
                               QStringLiteral("600")}));
  ASSERT_TRUE(stopped.waitForStarted(5000));
  ASSERT_FALSE(nextEvent(stopped, QStringLiteral("next")).isEmpty()) << stopped.readAllStandardError().toStdString();
  ASSERT_EQ(::kill(pid_t(stopped.processId()), SIGINT), 0);
  ASSERT_TRUE(stopped.waitForFinished(Ceiling));
  EXPECT_EQ(endingSignal(stopped), SIGINT);
  EXPECT_TRUE(QString::fromUtf8(stopped.readAllStandardError()).contains(uiText(UiTexts::txtCliStopped).arg("SIGINT")));
}

// A beam never interrupted, and one whose interruption an unplug cut short:
// neither passes, the loss is a warning, and the test ends at its time-out.
TEST_F(CliEndToEnd, AWalkTestCutByAnUnplugOrMissingABeamFailsAtItsTimeOut) {
  const CliRun none = cli({QStringLiteral("report"), file("none.pdf")});
  EXPECT_EQ(none.exitStatus, 1);
  // Qt may warn first (a session without XDG_RUNTIME_DIR); the message is the last line.
  EXPECT_TRUE(none.err.endsWith(QStringLiteral("orvita-cli: ") + uiText(UiTexts::txtCliNoWalkTest) + "\n"))
      << none.err.toStdString();
  EXPECT_FALSE(QFileInfo::exists(file("none.pdf")));

  startBarrier({QStringLiteral("--beams"), QStringLiteral("3")});
  for (const char* on : {"config 1 5", "config 2 5", "config 3 5"}) say(on);
  QProcess walk;
  // Long enough to come back from the unplug; the test's end waits it out once.
  startCli(walk, onBarrier({QStringLiteral("walktest"), QStringLiteral("--json"), QStringLiteral("--timeout"),
                            QStringLiteral("8")}));
  ASSERT_TRUE(walk.waitForStarted(5000));
  ASSERT_FALSE(nextEvent(walk, QStringLiteral("next")).isEmpty()) << walk.readAllStandardError().toStdString();
  say("cross 1 on");
  QThread::msleep(1000);
  say("cross 1 off");
  ASSERT_FALSE(nextEvent(walk, QStringLiteral("passed")).isEmpty());
  say("cross 2 on");
  QThread::msleep(1000);
  say("hangup 1");
  ASSERT_FALSE(nextEvent(walk, QStringLiteral("lost")).isEmpty());
  say("cross 2 off");  // while unplugged: nobody sees beam 2 clear up
  ASSERT_TRUE(walk.waitForFinished(Ceiling));
  EXPECT_EQ(walk.exitCode(), 1);
  QJsonObject result;
  for (QJsonObject object = nextJson(walk); !object.isEmpty(); object = nextJson(walk)) result = object;
  EXPECT_EQ(result.value(QStringLiteral("result")).toString(), QStringLiteral("failed"));
  const QJsonArray items = result.value(QStringLiteral("items")).toArray();
  ASSERT_EQ(items.size(), 3 + 4);
  EXPECT_EQ(items[0].toObject().value(QStringLiteral("result")).toString(), QStringLiteral("passed"));
  for (int i : {1, 2})
    EXPECT_EQ(items[i].toObject().value(QStringLiteral("result")).toString(), QStringLiteral("not passed")) << i;
  const QJsonArray warnings = result.value(QStringLiteral("warnings")).toArray();
  ASSERT_FALSE(warnings.isEmpty());
  EXPECT_EQ(warnings.last().toObject().value(QStringLiteral("warning")).toString(), QStringLiteral("connectionLost"));

  // The failed test is the journal's last: its record says so.
  const CliRun report = cli({QStringLiteral("report"), file("failed.pdf")});
  ASSERT_EQ(report.exitStatus, 0) << report.err.toStdString();
  const QString text = pdfText(file("failed.pdf"));
  EXPECT_TRUE(text.contains(QStringLiteral("Wynik testu: NEGATYWNY")));
  EXPECT_TRUE(text.contains(QStringLiteral("Utrata połączenia z barierą")));
  expectRecordNeverWrittenThroughAPlantedLink();
}

// Stopped in the morning by its service manager or a closed terminal, the
// recorder ends its session in the journal, then ends by the same signal, as
// a shell and systemd expect of it.
TEST_F(CliEndToEnd, ARecorderStoppedBySignalEndsItsSessionAndDiesOfThatSignal) {
  startBarrier();
  for (const int signalNumber : {SIGTERM, SIGHUP}) {
    const PipedProcess follow =
        startPiped(onBarrier({QStringLiteral("status"), QStringLiteral("--follow")}), dir.path(), false, true);
    ASSERT_GT(follow.pid, 0);
    pollfd shown{follow.reader, POLLIN, 0};
    ASSERT_EQ(::poll(&shown, 1, Ceiling), 1);  // following: the handlers are in place
    ASSERT_EQ(::kill(follow.pid, signalNumber), 0);
    const int status = waitStatus(follow.pid, Ceiling);
    ASSERT_TRUE(WIFSIGNALED(status)) << "exited with " << WEXITSTATUS(status);
    EXPECT_EQ(WTERMSIG(status), signalNumber);
    ::close(follow.reader);
    const QString name = QStringLiteral("SIG") + QLatin1String(::sigabbrev_np(signalNumber));
    EXPECT_EQ(QString::fromUtf8(drain(follow.errors)),
              QStringLiteral("orvita-cli: ") + uiText(UiTexts::txtCliStopped).arg(name) + "\n");
  }
  QStringList story;
  for (const QJsonObject& o : historyJson())
    if (o.value(QStringLiteral("event")).toString() != QStringLiteral("status"))
      story << o.value(QStringLiteral("event")).toString() + QLatin1Char(' ') +
                   o.value(QStringLiteral("reason")).toString();
  const QStringList session{"session-start ", "connected ", "config-read ", "lost port-closed", "session-end "};
  EXPECT_EQ(story, session + session);
}

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
