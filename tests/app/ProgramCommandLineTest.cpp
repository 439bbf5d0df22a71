// The installed program as a user starts it: the command line answered
// without a display, a refused window without one or with one that cannot be
// used, and SIGTERM, SIGINT and
// SIGHUP ending a run through "Koniec" so that the settings are kept.
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include "app/OpenDisplay.h"
#include "tests/PipedProcess.h"

// Waits end on the event that matters; the ceiling only keeps a broken run
// from hanging, and is generous for a loaded machine.
constexpr int Ceiling = 30000;

class ProgramCommandLineTest : public QObject {
  Q_OBJECT

 private slots:
  void helpAnswersInPolishWithoutADisplay();
  void versionAnswersWithoutADisplay();
  void refusalsAreOneLineWithStatusTwo_data();
  void refusalsAreOneLineWithStatusTwo();
  void theWindowWithoutADisplayIsRefusedInOneLineWithStatusOne();
  void aClosedErrorOutputIsAFailedWriteNotTheEnd();
  void aDisplayThatCannotBeUsedIsNamedWithWhy_data();
  void aDisplayThatCannotBeUsedIsNamedWithWhy();
  void aMissingWaylandPluginIsNamedWithItsPackage();
  void aSignalEndsTheRunLikeKoniecAndKeepsThePortGivenOnTheCommandLine_data();
  void aSignalEndsTheRunLikeKoniecAndKeepsThePortGivenOnTheCommandLine();

 private:
  struct Run {
    int exitCode = -1;
    QProcess::ExitStatus status = QProcess::CrashExit;
    QString out;
    QString err;
  };
  // Runs the program to its end as from a terminal with no display, but for `display`.
  static Run runWithoutDisplay(const QStringList& arguments, const QProcessEnvironment& display = {});
};

ProgramCommandLineTest::Run ProgramCommandLineTest::runWithoutDisplay(const QStringList& arguments,
                                                                      const QProcessEnvironment& display) {
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) environment.remove(name);
  for (const QString& name : display.keys()) environment.insert(name, display.value(name));
  QProcess program;
  program.setProcessEnvironment(environment);
  program.start(QStringLiteral(ORVITA_PROGRAM), arguments);
  Run run;
  if (!program.waitForFinished(Ceiling)) return run;
  run.exitCode = program.exitCode();
  run.status = program.exitStatus();
  run.out = QString::fromUtf8(program.readAllStandardOutput());
  run.err = QString::fromUtf8(program.readAllStandardError());
  return run;
}

void ProgramCommandLineTest::helpAnswersInPolishWithoutADisplay() {
  const Run run = runWithoutDisplay({QStringLiteral("--help")});
  QCOMPARE(run.status, QProcess::NormalExit);
  QCOMPARE(run.exitCode, 0);
  // "Sposób użycia" and "Opcje" are Qt's own texts, from its Polish translation.
  QVERIFY2(run.out.startsWith(QStringLiteral("Sposób użycia: ")), qPrintable(run.out));
  QVERIFY(run.out.contains(QStringLiteral("Opcje:")));
  QVERIFY(run.out.contains(QStringLiteral("--port <NAZWA>")));
  QVERIFY(run.out.contains(QStringLiteral("-v, --version")));
  QVERIFY(run.out.contains(QStringLiteral("[plik.acc]")));
  QVERIFY(!run.out.contains(QStringLiteral("platform")));
  QCOMPARE(run.err, QString());
}

void ProgramCommandLineTest::versionAnswersWithoutADisplay() {
  for (const char* option : {"--version", "-v"}) {
    const Run run = runWithoutDisplay({QString::fromLatin1(option)});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, QStringLiteral("Orvita 2.0.0.0\n"));
    QCOMPARE(run.err, QString());
  }
}

void ProgramCommandLineTest::refusalsAreOneLineWithStatusTwo_data() {
  QTest::addColumn<QStringList>("arguments");
  QTest::addColumn<QString>("message");
  QTest::newRow("unknown option") << QStringList{"--bogus"} << QStringLiteral("orvita: Nieznana opcja \"bogus\".\n");
  QTest::newRow("port without a name") << QStringList{"--port"}
                                       << QStringLiteral("orvita: Brak wartości po \"--port\".\n");
  QTest::newRow("a folder for a port") << QStringList{"--port", "/dev/"}
                                       << QStringLiteral("orvita: To nie jest nazwa portu: \"/dev/\"\n");
  QTest::newRow("a folder's name for a port")
      << QStringList{"--port", "x/.."} << QStringLiteral("orvita: To nie jest nazwa portu: \"x/..\"\n");
  QTest::newRow("a second file") << QStringList{"brama.acc", "furtka.acc"}
                                 << QStringLiteral("orvita: Nieoczekiwany argument: furtka.acc\n");
}

void ProgramCommandLineTest::refusalsAreOneLineWithStatusTwo() {
  QFETCH(QStringList, arguments);
  QFETCH(QString, message);
  const Run run = runWithoutDisplay(arguments);
  QCOMPARE(run.status, QProcess::NormalExit);
  QCOMPARE(run.exitCode, 2);
  QCOMPARE(run.err, message);
  QCOMPARE(run.out, QString());
}

void ProgramCommandLineTest::theWindowWithoutADisplayIsRefusedInOneLineWithStatusOne() {
  for (const QStringList& arguments : {QStringList{}, QStringList{"--port", "ttyUSB0"}}) {
    const Run run = runWithoutDisplay(arguments);
    QCOMPARE(run.status, QProcess::NormalExit);  // not Qt's abort
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.err.startsWith(QStringLiteral("orvita: Nie można otworzyć okna")), qPrintable(run.err));
    QCOMPARE(run.err.count(u'\n'), 1);
    QVERIFY(run.err.endsWith(u'\n'));
  }
}

// Standard error a pipe nobody reads, SIGPIPE at its default action as from a shell.
void ProgramCommandLineTest::aClosedErrorOutputIsAFailedWriteNotTheEnd() {
  const PipedProcess run = spawnPiped(ORVITA_PROGRAM, {QByteArrayLiteral("--bogus")}, {}, STDERR_FILENO, true);
  const pid_t pid = run.pid;
  QVERIFY(pid > 0);
  int status = 0;
  QCOMPARE(::waitpid(pid, &status, 0), pid);
  QVERIFY2(WIFEXITED(status), qPrintable(QStringLiteral("ended by signal %1").arg(WTERMSIG(status))));
  QCOMPARE(WEXITSTATUS(status), 2);
}

void ProgramCommandLineTest::aDisplayThatCannotBeUsedIsNamedWithWhy_data() {
  QTest::addColumn<QString>("variable");
  QTest::addColumn<QString>("value");
  QTest::addColumn<QString>("message");
  QString x11;  // a display no server serves
  for (int n = 150; n < 250 && x11.isEmpty(); ++n)
    if (!QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n)) &&
        !QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(n)))
      x11 = QStringLiteral(":%1").arg(n);
  QTest::newRow("X11") << QStringLiteral("DISPLAY") << x11
                       << QStringLiteral(
                              "orvita: Nie można otworzyć okna: serwer X %1 (DISPLAY) nie przyjmuje "
                              "połączenia.\n")
                              .arg(x11);
  // scripts/setup installs Qt's Wayland plugin, so Qt tries to connect.
  QTest::newRow("Wayland") << QStringLiteral("WAYLAND_DISPLAY") << QStringLiteral("orvita-test-no-compositor")
                           << QStringLiteral(
                                  "orvita: Nie można otworzyć okna: kompozytor Wayland "
                                  "orvita-test-no-compositor (WAYLAND_DISPLAY) nie przyjmuje połączenia.\n");
}

void ProgramCommandLineTest::aDisplayThatCannotBeUsedIsNamedWithWhy() {
  QFETCH(QString, variable);
  QFETCH(QString, value);
  QFETCH(QString, message);
  QTemporaryDir runtime;
  QProcessEnvironment display;
  display.insert(variable, value);
  display.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
  const Run run = runWithoutDisplay({}, display);
  QCOMPARE(run.status, QProcess::NormalExit);
  QCOMPARE(run.exitCode, 1);
  QCOMPARE(run.err, message);
}

void ProgramCommandLineTest::aMissingWaylandPluginIsNamedWithItsPackage() {
  // Where the plugin is missing Qt falls back to X, so both are named.
  DisplaySetting setting;
  setting.waylandDisplay = QStringLiteral("wayland-0");
  setting.x11Display = QStringLiteral(":0");
  QCOMPARE(displayFailure(setting),
           QStringLiteral("Nie można otworzyć okna: sesja Wayland (WAYLAND_DISPLAY=wayland-0), a brak wtyczki Wayland "
                          "biblioteki Qt: zainstaluj pakiet qt6-wayland; serwer X :0 (DISPLAY) nie przyjmuje "
                          "połączenia."));
  setting.platform = QStringLiteral("wayland");
  QCOMPARE(displayFailure(setting),
           QStringLiteral("Nie można otworzyć okna: sesja Wayland (WAYLAND_DISPLAY=wayland-0), a brak wtyczki Wayland "
                          "biblioteki Qt: zainstaluj pakiet qt6-wayland."));
}

void ProgramCommandLineTest::aSignalEndsTheRunLikeKoniecAndKeepsThePortGivenOnTheCommandLine_data() {
  QTest::addColumn<int>("signalNumber");
  QTest::newRow("SIGTERM") << SIGTERM;
  QTest::newRow("SIGINT") << SIGINT;
  QTest::newRow("SIGHUP") << SIGHUP;
}

void ProgramCommandLineTest::aSignalEndsTheRunLikeKoniecAndKeepsThePortGivenOnTheCommandLine() {
  QFETCH(int, signalNumber);
  QTemporaryDir home;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path());
  environment.insert(QStringLiteral("XDG_STATE_HOME"), home.path());
  QProcess program;
  program.setProcessEnvironment(environment);
  program.setWorkingDirectory(home.path());
  // A relative path is stored absolute, so that it still names the barrier from another folder.
  program.start(QStringLiteral(ORVITA_PROGRAM), {QStringLiteral("--port"), QStringLiteral("sim/barrier")});
  QVERIFY(program.waitForStarted(Ceiling));

  // Ready once the kernel lists the handlers as installed for this process.
  const QString status = QStringLiteral("/proc/%1/status").arg(program.processId());
  const quint64 bit = quint64(1) << (signalNumber - 1);
  QVERIFY(QTest::qWaitFor(
      [&] {
        QFile file(status);
        if (!file.open(QIODevice::ReadOnly)) return false;
        for (const QByteArray& line : file.readAll().split('\n'))
          if (line.startsWith("SigCgt:")) return (line.mid(7).trimmed().toULongLong(nullptr, 16) & bit) != 0;
        return false;
      },
      Ceiling));
  QCOMPARE(::kill(pid_t(program.processId()), signalNumber), 0);
  QVERIFY(program.waitForFinished(Ceiling));
  QCOMPARE(program.exitStatus(), QProcess::NormalExit);
  QCOMPARE(program.exitCode(), 0);

  QSettings stored(home.filePath(QStringLiteral("Dravel/Orvita.conf")), QSettings::IniFormat);
  QCOMPARE(stored.value(QStringLiteral("cm")).toString(), home.filePath(QStringLiteral("sim/barrier")));
  QCOMPARE(stored.value(QStringLiteral("Orvita")).toByteArray().size(), 16);  // the window's placement
  QCOMPARE(stored.value(QStringLiteral("cdtr")).toByteArray(), QByteArray(1, '\1'));
}

QTEST_GUILESS_MAIN(ProgramCommandLineTest)
#include "ProgramCommandLineTest.moc"
