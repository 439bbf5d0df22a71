// The journal's cost and limits:
//   poll  - status polling against barrier-sim with the journal off and on,
//           steady and with the barrier changing 10 times a second: the
//           program's CPU and the time from a reply's last byte to the next
//           request (measured by the simulator); interleaved runs, medians.
//   day   - a day of a flapping beam (10^6 status changes, 86 ms apart)
//           written through the journal: the file's size, the time to write
//           it, and orvita-cli history --csv of it (wall clock and CPU).
//   kill  - a recorder killed with SIGKILL while writing, N times: PRAGMA
//           integrity_check and how much before the kill the last row is.
//
//   build/release/bench/journal_bench [poll [seconds] [rounds]] [day] [kill [times]]
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QVariant>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include "bench/Measure.h"
#include "bench/SimTiming.h"
#include "journal/JournalWriter.h"
#include "link/JournalRecorder.h"
#include "tests/link/HeadlessHost.h"

namespace {

double median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

struct PollRun {
  double cpuShare = 0, journalShare = 0, gapMs = 0, gapP90Ms = 0;
  int statusRows = 0;
};

// The time the journal's writer thread has run, from the scheduler's
// nanosecond count: its share is too small for the CPU clock's ticks.
double journalThreadSeconds() {
  for (const QString& task : QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
    QFile comm(QStringLiteral("/proc/self/task/%1/comm").arg(task));
    if (!comm.open(QIODevice::ReadOnly) || comm.readAll().trimmed() != "orvita-journal") continue;
    QFile schedstat(QStringLiteral("/proc/self/task/%1/schedstat").arg(task));
    if (schedstat.open(QIODevice::ReadOnly)) return schedstat.readAll().split(' ').value(0).toDouble() / 1e9;
  }
  return 0;
}

// One run: `seconds` of polling, the beam toggled every 100 ms when `flapping`.
bool pollRun(bool journalOn, bool flapping, int seconds, PollRun& run) {
  QTemporaryDir dir;
  const QString tty = dir.filePath("barrier");
  QProcess sim;
  sim.start(QStringLiteral(BARRIER_SIM), {"--link", tty, "--status-size", "17", "--reaction-ms", "1"});
  if (!sim.waitForStarted(5000) || !QTest::qWaitFor([&] { return QFileInfo::exists(tty); }, 5000)) return false;
  HeadlessHost host(tty, dir.path());
  std::unique_ptr<JournalWriter> writer;
  std::unique_ptr<JournalRecorder> recorder;
  if (journalOn) {
    writer = std::make_unique<JournalWriter>(JournalOptions{dir.filePath("journal.sqlite")});
    recorder = std::make_unique<JournalRecorder>(*writer, QStringLiteral("bench"), tty);
    host.link.addObserver(recorder.get());
  }
  host.start();
  if (!QTest::qWaitFor([&] { return host.model.connected() && host.state.readStep == 0 && host.statusReplies > 5; },
                       8000))
    return false;
  runFor(500);
  askTiming(sim);
  QTimer flap;
  bool on = false;
  QObject::connect(&flap, &QTimer::timeout, [&] {
    on = !on;
    sim.write(on ? "alert 1 on\n" : "alert 1 off\n");
  });
  if (flapping) flap.start(100);
  const double cpuBefore = cpuSeconds();
  const double journalBefore = journalThreadSeconds();
  QElapsedTimer wall;
  wall.start();
  runFor(seconds * 1000);
  const double wallSeconds = double(wall.nsecsElapsed()) / 1e9;
  run.cpuShare = (cpuSeconds() - cpuBefore) / wallSeconds;
  run.journalShare = (journalThreadSeconds() - journalBefore) / wallSeconds;
  flap.stop();
  const auto timing = askTiming(sim);
  if (!timing) return false;
  run.gapMs = timing->gapMedianMs;
  run.gapP90Ms = timing->gapP90Ms;
  if (recorder) {
    host.link.removeObserver(recorder.get());
    recorder.reset();
    writer->flush();
    writer.reset();
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("count"));
    db.setDatabaseName(dir.filePath("journal.sqlite"));
    if (db.open()) {
      QSqlQuery q(db);
      if (q.exec(QStringLiteral("SELECT count(*) FROM event WHERE kind = 5")) && q.next())
        run.statusRows = q.value(0).toInt();
    }
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("count"));
  }
  sim.kill();
  sim.waitForFinished(2000);
  return true;
}

int pollRuns(int seconds, int rounds) {
  struct Case {
    const char* name;
    bool journal, flapping;
    std::vector<PollRun> runs;
  } cases[] = {{"journal off, steady", false, false, {}},
               {"journal on,  steady", true, false, {}},
               {"journal off, 10 changes/s", false, true, {}},
               {"journal on,  10 changes/s", true, true, {}}};
  for (int r = 0; r < rounds; ++r)
    for (Case& c : cases) {
      PollRun run;
      if (!pollRun(c.journal, c.flapping, seconds, run)) {
        std::fprintf(stderr, "barrier-sim run failed\n");
        return 1;
      }
      c.runs.push_back(run);
    }
  std::printf("poll: %d s per run, %d interleaved rounds, medians\n", seconds, rounds);
  double cpu[4] = {};
  for (int i = 0; i < 4; ++i) {
    const auto pick = [&](double PollRun::*f) {
      std::vector<double> v;
      for (const PollRun& r : cases[i].runs) v.push_back(r.*f);
      return median(v);
    };
    cpu[i] = pick(&PollRun::cpuShare);
    std::printf("  %-28s CPU %.2f %% of a core, reply end to request median %.2f ms (90th %.2f ms), %d status rows\n",
                cases[i].name, 100 * cpu[i], pick(&PollRun::gapMs), pick(&PollRun::gapP90Ms),
                cases[i].runs.back().statusRows);
    if (cases[i].journal)
      std::printf("  %-28s of which the journal's thread %.4f %% of a core\n", "", 100 * pick(&PollRun::journalShare));
  }
  std::printf("  CPU on/off: steady %.3f x, 10 changes/s %.3f x\n", cpu[1] / cpu[0], cpu[3] / cpu[2]);
  return 0;
}

// The CPU time of the children waited for so far.
double childCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_CHILDREN, &usage);
  return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

int dayOfChanges(const QString& cli) {
  QTemporaryDir dir;
  const QString path = dir.filePath("journal.sqlite");
  constexpr int Changes = 1'000'000;
  const qint64 start = QDateTime::currentMSecsSinceEpoch() - 86'400'000;
  QElapsedTimer clock;
  clock.start();
  {
    JournalOptions options{path};
    JournalWriter writer(options);
    writer.startSession(start, QStringLiteral("bench"), QStringLiteral("ttyUSB0"));
    writer.startConnection(start, QByteArray::fromHex("0601000520210714"), 8);
    writer.setBarrier(start, 12345);
    BarrierStatus s;
    s.supplyRaw = 200;
    for (int i = 0; i < Changes; ++i) {
      s.beamsAlarm = s.beamsAlert = (i & 1) ? 0x01 : 0x00;
      s.statusFlags = (i & 1) ? statusflag::AlarmOutput : 0;
      writer.addEvent(start + qint64(i) * 86, JournalEventKind::Status, statusBytes(s));
      if (i % 100'000 == 0) writer.flush();  // the queue stays as short as a real day keeps it
    }
    writer.endConnection(start + qint64(Changes) * 86, JournalLossReason::PortClosed);
    writer.endSession(start + qint64(Changes) * 86);
  }
  const double writeS = double(clock.elapsed()) / 1000;
  qint64 bytes = 0;
  for (const char* suffix : {"", "-wal", "-shm"}) bytes += QFileInfo(path + QLatin1String(suffix)).size();
  std::printf(
      "day: %d status changes written in %.1f s (%.1f us a row on the writer's thread); journal %.1f MB "
      "(%.0f bytes a change)\n",
      Changes, writeS, 1e6 * writeS / Changes, double(bytes) / 1e6, double(bytes) / Changes);

  for (const QStringList& args :
       {QStringList{"history", "--csv"}, QStringList{"history", "--csv", "--barrier", "12345"}}) {
    QProcess history;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("ORVITA_JOURNAL"), path);
    history.setProcessEnvironment(env);
    history.setStandardOutputFile(dir.filePath("out.txt"));
    clock.restart();
    history.start(cli, args);
    const double childCpuBefore = childCpuSeconds();
    history.waitForFinished(600000);
    std::printf("  orvita-cli %s: %.2f s (%.2f s of CPU), %.1f MB of output, exit %d\n", qPrintable(args.join(' ')),
                double(clock.elapsed()) / 1000, childCpuSeconds() - childCpuBefore,
                double(QFileInfo(dir.filePath("out.txt")).size()) / 1e6, history.exitCode());
  }
  return 0;
}

// The child: records a status change every 5 ms until killed, after telling
// when it queued its first row.
int record(const QString& path) {
  const qint64 start = QDateTime::currentMSecsSinceEpoch();
  JournalWriter writer({path});
  JournalRecorder recorder(writer, QStringLiteral("bench-child"), QStringLiteral("ttyUSB0"));
  const std::uint8_t version[8] = {6, 1, 0, 5, 0x20, 0x21, 7, 0x14};
  recorder.barrierIdentified(version, 8);
  std::printf("recording %lld\n", start);
  std::fflush(stdout);
  BarrierStatus s;
  for (int i = 0;; ++i) {
    s.beamsAlert = std::uint8_t(i);
    recorder.statusChanged(s, {});
    QThread::msleep(5);
  }
}

int killRuns(const QString& self, int times) {
  QTemporaryDir dir;
  const QString path = dir.filePath("journal.sqlite");
  int whole = 0;
  std::vector<double> lostMs;
  for (int i = 0; i < times; ++i) {
    QProcess child;
    child.start(self, {"record", path});
    child.waitForStarted(5000);
    child.waitForReadyRead(10000);  // its first row is queued
    const qint64 started = QString::fromLatin1(child.readLine()).section(QLatin1Char(' '), 1).trimmed().toLongLong();
    QThread::msleep(300 + (i * 37) % 900);
    const qint64 pid = child.processId();
    const qint64 killedAt = QDateTime::currentMSecsSinceEpoch();
    ::kill(pid_t(pid), SIGKILL);
    child.waitForFinished(5000);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("check"));
    db.setDatabaseName(path);
    if (db.open()) {
      QSqlQuery q(db);
      if (q.exec(QStringLiteral("PRAGMA integrity_check")) && q.next() && q.value(0).toString() == "ok") ++whole;
      // The rows of this child's session: its last is how far the record
      // reaches; with none kept, everything since its start is lost.
      q.prepare(QStringLiteral("SELECT max(e.time) FROM event e JOIN session s ON e.session = s.id WHERE s.pid = ?"));
      q.addBindValue(pid);
      const bool kept = q.exec() && q.next() && !q.value(0).isNull();
      lostMs.push_back(double(killedAt - (kept ? q.value(0).toLongLong() : started)));
    }
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("check"));
  }
  std::sort(lostMs.begin(), lostMs.end());
  std::printf(
      "kill: %d SIGKILLs while recording a change every 5 ms: integrity_check ok %d of %d; time from the last "
      "row to the kill: median %.0f ms, 90th percentile %.0f ms, worst %.0f ms\n",
      times, whole, times, lostMs[lostMs.size() / 2], lostMs[lostMs.size() * 9 / 10], lostMs.back());
  return 0;
}

}  // namespace

// The machine's load, printed with the figures: other work on a small
// machine moves them.
void printLoad(const char* when) {
  QFile file(QStringLiteral("/proc/loadavg"));
  if (file.open(QIODevice::ReadOnly)) std::printf("load average %s: %s\n", when, file.readLine().trimmed().constData());
}

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const QStringList args = app.arguments().mid(1);
  if (args.value(0) == QStringLiteral("record")) return record(args.value(1));
  printLoad("at start");
  const bool all = args.isEmpty();
  int status = 0;
  for (int i = 0; i < args.size() || (all && i == 0); ++i) {
    const QString mode = all ? QString() : args[i];
    const auto number = [&](int fallback) {
      bool ok = false;
      const int n = args.value(i + 1).toInt(&ok);
      if (ok) ++i;
      return ok ? n : fallback;
    };
    if (all || mode == QStringLiteral("poll")) {
      const int seconds = all ? 10 : number(10);
      const int rounds = all ? 3 : number(3);
      status |= pollRuns(seconds, rounds);
    }
    if (all || mode == QStringLiteral("day")) status |= dayOfChanges(QStringLiteral(ORVITA_CLI));
    if (all || mode == QStringLiteral("kill")) status |= killRuns(app.applicationFilePath(), all ? 100 : number(100));
  }
  printLoad("at end");
  return status;
}
