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
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
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

  QTemporaryDir dir;
  QProcess sim;
  QString barrier;
};

// Starts orvita-cli with standard output the write end of a pipe whose read
// end the test holds (or, `unread`, nobody holds), SIGPIPE at its default
// action as from a shell.
struct PipedCli {
  pid_t pid = -1;
  int reader = -1;
};
PipedCli startPiped(const QStringList& arguments, const QString& configHome, bool unread = false) {
  int fds[2];
  if (::pipe(fds) != 0) return {};
  if (unread) fds[0] = (::close(fds[0]), -1);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
  if (fds[0] >= 0) posix_spawn_file_actions_addclose(&actions, fds[0]);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGPIPE);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
  std::vector<QByteArray> words{QByteArrayLiteral(ORVITA_CLI)};
  for (const QString& argument : arguments) words.push_back(argument.toLocal8Bit());
  std::vector<char*> argv;
  for (QByteArray& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  QByteArray home = "XDG_CONFIG_HOME=" + configHome.toLocal8Bit();
  std::vector<char*> envp{home.data(), nullptr};
  PipedCli cli;
  if (::posix_spawn(&cli.pid, ORVITA_CLI, &actions, &attributes, argv.data(), envp.data()) != 0) cli.pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  ::close(fds[1]);
  cli.reader = fds[0];
  return cli;
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
                         uiText(UiTexts::txtPortNoDeviceShell) + "\n");
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
  EXPECT_EQ(early.exitCode(), 143);
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
  EXPECT_EQ(write.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(write.exitCode(), 130);
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

TEST_F(CliEndToEnd, FollowingEndsAtOnceWhenItsReaderGoesAndFreesThePort) {
  startBarrier();
  PipedCli follow = startPiped(onBarrier({QStringLiteral("status"), QStringLiteral("--follow")}), dir.path());
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
  ASSERT_TRUE(WIFEXITED(status)) << status;  // not killed by SIGPIPE, not still polling
  EXPECT_EQ(WEXITSTATUS(status), 2);
  EXPECT_EQ(cli(onBarrier({QStringLiteral("identify")})).exitStatus, 0);
}

TEST_F(CliEndToEnd, FollowingWithReconnectGoesOnAcrossALostBarrier) {
  startBarrier();
  QProcess follow;
  startCli(follow, onBarrier({QStringLiteral("status"), QStringLiteral("--follow"), QStringLiteral("--reconnect"),
                              QStringLiteral("--json")}));
  ASSERT_TRUE(follow.waitForStarted(5000));
  ASSERT_TRUE(follow.waitForReadyRead(Ceiling));
  follow.readAllStandardOutput();
  say("hangup");  // the adapter unplugged: a new terminal behind the same link
  say("alert 2 on");
  QString errors;
  bool alertSeen = false;
  QElapsedTimer clock;
  clock.start();
  while (!alertSeen && clock.elapsed() < Ceiling) {
    follow.waitForReadyRead(200);
    errors += QString::fromUtf8(follow.readAllStandardError());
    while (follow.canReadLine()) {
      const QJsonObject state = QJsonDocument::fromJson(follow.readLine()).object();
      alertSeen =
          alertSeen ||
          state.value(QStringLiteral("beams")).toArray().at(1).toObject().value(QStringLiteral("alert")).toBool();
    }
  }
  EXPECT_TRUE(alertSeen) << errors.toStdString();
  EXPECT_EQ(follow.state(), QProcess::Running);
  errors += QString::fromUtf8(follow.readAllStandardError());
  EXPECT_TRUE(errors.contains(uiText(UiTexts::txtCliLost).arg(barrier))) << errors.toStdString();
  EXPECT_TRUE(errors.contains(uiText(UiTexts::txtCliBack).arg(barrier))) << errors.toStdString();
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

  const PipedCli closed = startPiped({QStringLiteral("show"), file("c.acc")}, dir.path(), true);
  ASSERT_GT(closed.pid, 0);
  const int status = waitStatus(closed.pid, Ceiling);
  ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
  EXPECT_EQ(WEXITSTATUS(status), 2);
}

TEST_F(CliEndToEnd, OfflineWithoutAPortGivenOrStoredItAsksForOne) {
  // This machine's adapters cannot be known here: either the only one is
  // taken (and the test's settings folder stays empty) or --port is asked for.
  const CliRun run = cli({QStringLiteral("--timeout"), QStringLiteral("1"), QStringLiteral("identify")});
  if (run.exitStatus == 2) {
    EXPECT_TRUE(run.err.contains(QStringLiteral("--port"))) << run.err.toStdString();
    EXPECT_FALSE(run.err.contains(QStringLiteral("Konfiguracja, RS-232")));
  } else {
    EXPECT_NE(run.err, QString()) << "no barrier answers on a guessed port in a test";
  }
}

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
