// Status polling against barrier-sim pacing its replies at 9600 bit/s with
// the 17-byte status: polls per second, the program's CPU use while polling,
// and the time from a status change in the barrier to the model holding it.
//
//   build/release/bench/link_poll_bench [seconds]
#include <sys/resource.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include "tests/link/HeadlessHost.h"

namespace {

double cpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The program runs its event loop, not QTest::qWait, which sleeps between
// rounds of events and would hold every reply back by up to 10 ms.
void runFor(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
  loop.exec();
}

// Waits until `done` holds, checking whenever the picture would be redrawn
// (a status reply that changed something) and every 5 ms besides.
bool waitUntil(HeadlessHost& host, const std::function<bool()>& done, int timeoutMs) {
  QEventLoop loop;
  QTimer check;
  QObject::connect(&check, &QTimer::timeout, &loop, [&] {
    if (done()) loop.quit();
  });
  check.start(5);
  QTimer::singleShot(timeoutMs, Qt::PreciseTimer, &loop, &QEventLoop::quit);
  host.onDraw = [&] {
    if (done()) loop.quit();
  };
  if (!done()) loop.exec();
  host.onDraw = nullptr;
  return done();
}

double percentile(std::vector<double> v, double p) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[std::size_t(p * double(v.size() - 1))];
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const int seconds = argc > 1 ? std::max(2, atoi(argv[1])) : 10;
  QTemporaryDir dir;
  const QString tty = dir.filePath("barrier");
  QProcess sim;
  sim.start(QStringLiteral(BARRIER_SIM), {"--link", tty, "--status-size", "17", "--reaction-ms", "1"});
  if (!sim.waitForStarted(5000) || !QTest::qWaitFor([&] { return QFileInfo::exists(tty); }, 5000)) {
    std::fprintf(stderr, "barrier-sim did not start\n");
    return 1;
  }
  HeadlessHost host(tty, dir.path());
  host.start();
  if (!waitUntil(
          host, [&] { return host.model.connected() && host.state.readStep == 0 && host.statusReplies > 5; }, 8000)) {
    std::fprintf(stderr, "no connection to barrier-sim\n");
    return 1;
  }

  // Steady polling.
  const int repliesBefore = host.statusReplies;
  const double cpuBefore = cpuSeconds();
  QElapsedTimer wall;
  wall.start();
  runFor(seconds * 1000);
  const double elapsed = double(wall.nsecsElapsed()) / 1e9;
  const double cpu = cpuSeconds() - cpuBefore;
  const int polls = host.statusReplies - repliesBefore;

  // Status changes: toggle beam 1's alert and time until the model has it.
  std::vector<double> latencies;
  for (int i = 0; i < 20; ++i) {
    const bool on = i % 2 == 0;
    QElapsedTimer t;
    sim.write(on ? "alert 1 on\n" : "alert 1 off\n");
    sim.waitForBytesWritten(1000);
    t.start();
    if (waitUntil(
            host, [&] { return (host.model.status.beamsAlert & 1) == (on ? 1 : 0); }, 3000))
      latencies.push_back(double(t.nsecsElapsed()) / 1e6);
    runFor(50 + int(QRandomGenerator::global()->bounded(40)));  // no phase lock with the polls
  }

  // A real line carries the 5-byte request too; the pseudo-terminal delivers
  // it at once, so the simulator's own limit is the reply, its 1 ms reaction
  // and the 10 ms pause.
  const double lineLimit = 1.0 / ((5 + 22) * 10 / 9600.0 + 0.010);
  const double ptyLimit = 1.0 / (22 * 10 / 9600.0 + 0.001 + 0.010);
  std::printf(
      "status polls:        %.1f per second (a 9600 bit/s line allows %.1f: %.0f %%; this simulator %.1f: %.0f %%)\n",
      polls / elapsed, lineLimit, 100.0 * polls / elapsed / lineLimit, ptyLimit, 100.0 * polls / elapsed / ptyLimit);
  std::printf("program CPU:         %.2f %% of one core (%.1f us per poll)\n", 100.0 * cpu / elapsed,
              polls ? 1e6 * cpu / polls : 0.0);
  std::printf("change to model:     median %.1f ms, 90th percentile %.1f ms, worst %.1f ms (%zu changes)\n",
              percentile(latencies, 0.5), percentile(latencies, 0.9), percentile(latencies, 1.0), latencies.size());
  sim.kill();
  sim.waitForFinished(2000);
  return 0;
}
