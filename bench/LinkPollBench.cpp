// Status polling against barrier-sim (9600 bit/s, 17-byte status, 1 ms
// reaction) through the real port and the program's own timers and event
// loop, without the window. Runs alternate between lines: a simulator that
// paces both directions as a real line does, one that takes each request at
// once as a pseudo-terminal delivers it, a status that alternates between 17
// and 9 bytes, a barrier that pauses 2-20 ms between bytes, USB adapters with
// a 1 ms and a 16 ms latency timer, and the line after a reply 990 ms late
// and after a reply sent twice (measured from 2 s after the fault on); and
// across a network, the simulator behind ser2net (Debian's package, from
// scripts/setup) reached as socket:// and rfc2217://, directly and through a
// relay that adds 20 ms to the round trip. Each run gives the polls per
// second against that line's limit (for a network line, 1 / (the paced
// line's time for a poll + the added round trip)), the program's CPU (the
// relay's own left out), the time from a reply's last byte to the next
// request (measured by the simulator), and the time from the last byte of a
// reply that carries a status change to the model holding it. Medians of the
// runs are printed.
//
//   build/release/bench/link_poll_bench [seconds per run] [rounds] [line names, a regular expression]
#include <sys/resource.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include "bench/DelayRelay.h"
#include "bench/Measure.h"
#include "bench/SimTiming.h"
#include "net/NetworkLine.h"
#include "tests/Ser2NetServer.h"
#include "tests/link/HeadlessHost.h"

namespace {

constexpr double ByteS = 10 / 9600.0;
constexpr double ReactionS = 0.001;
constexpr double PauseS = DeviceLink::StatusPauseMs / 1000.0;
constexpr int RequestBytes = 5, ReplyBytes = 22, ShortReplyBytes = 14;

// Waits until `done` holds, checking whenever the picture would be redrawn
// (a status reply that changed something) and every 5 ms besides.
template <typename Host>
bool waitUntil(Host& host, const std::function<bool()>& done, int timeoutMs) {
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

double median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

struct Run {
  double pollsPerSecond = 0, cpuShare = 0, cpuUsPerPoll = 0, gapMs = 0, gapP90Ms = 0, changeMs = 0;
};

// How the program reaches the simulator.
enum class Via { Terminal, RawTcp, Rfc2217 };

struct Line {
  const char* name;
  QStringList simArgs;  // besides the link, the 17-byte status and the reaction time
  double limit;         // polls per second this line allows
  // A fault given to the simulator once polling runs, and how long after it
  // the measurement starts.
  const char* fault = nullptr;
  int settleMs = 0;
  Via via = Via::Terminal;
  int addedRoundTripMs = 0;  // through the delaying relay
  Ser2NetServer::Tuning tuning = Ser2NetServer::Tuning::LowLatency;
  std::vector<Run> runs;
};

const QStringList SimArgs{"--status-size", "17", "--reaction-ms", "1"};

// Polls until the barrier is read, then measures. `otherCpu` is CPU time of
// this process that is not the program's (the relay's thread).
template <typename Host>
bool pollAndMeasure(Host& host, QProcess& sim, Line& line, int seconds, int changes,
                    const std::function<double()>& otherCpu) {
  host.start();
  if (!waitUntil(
          host, [&] { return host.model.connected() && host.state.readStep == 0 && host.statusReplies > 5; }, 15000)) {
    std::fprintf(stderr, "no connection to barrier-sim\n");
    return false;
  }

  if (line.fault) {
    sim.write(line.fault);
    sim.waitForBytesWritten(1000);
    runFor(line.settleMs);
  }

  // Steady polling. The rate is taken between the first and the last reply
  // of the run, so that it does not depend on where the run cuts a poll.
  askTiming(sim);
  std::vector<long long> replyNs;
  host.onStatus = [&] { replyNs.push_back(monotonicNs()); };
  const double cpuBefore = cpuSeconds() - otherCpu();
  QElapsedTimer wall;
  wall.start();
  runFor(seconds * 1000);
  const double elapsed = double(wall.nsecsElapsed()) / 1e9;
  const double cpu = cpuSeconds() - otherCpu() - cpuBefore;
  host.onStatus = nullptr;
  const int polls = int(replyNs.size());
  const double rate = polls > 1 ? (polls - 1) / (double(replyNs.back() - replyNs.front()) / 1e9) : 0.0;
  const auto timing = askTiming(sim);
  if (!timing) {
    std::fprintf(stderr, "barrier-sim did not tell its timing\n");
    return false;
  }

  // Status changes: beam 1's alert toggled, from the last byte of the first
  // reply that carries it to the model holding it.
  std::vector<double> latencies;
  for (int i = 0; i < changes; ++i) {
    const bool on = i % 2 == 0;
    long long seenNs = 0;
    // First true where the reply handler redraws, right after the model took the change.
    const auto shown = [&] {
      const bool held = (host.model.status.beamsAlert & 1) == (on ? 1 : 0);
      if (held && seenNs == 0) seenNs = monotonicNs();
      return held;
    };
    sim.write(on ? "alert 1 on\n" : "alert 1 off\n");
    sim.waitForBytesWritten(1000);
    const bool changed = waitUntil(host, shown, 3000);
    const auto change = askTiming(sim);
    if (changed && change && seenNs > change->changeEndNs)
      latencies.push_back(double(seenNs - change->changeEndNs) / 1e6);
    runFor(50 + int(QRandomGenerator::global()->bounded(40)));  // no phase lock with the polls
  }

  line.runs.push_back(Run{rate, cpu / elapsed, polls ? 1e6 * cpu / polls : 0.0, timing->gapMedianMs, timing->gapP90Ms,
                          median(latencies)});
  return true;
}

bool measureOnTerminal(Line& line, int seconds, int changes) {
  QTemporaryDir dir;
  const QString tty = dir.filePath("barrier");
  QProcess sim;
  sim.start(QStringLiteral(BARRIER_SIM), QStringList{"--link", tty} + SimArgs + line.simArgs);
  if (!sim.waitForStarted(5000) || !QTest::qWaitFor([&] { return QFileInfo::exists(tty); }, 5000)) {
    std::fprintf(stderr, "barrier-sim did not start\n");
    return false;
  }
  HeadlessHost host(tty, dir.path());
  const bool done = pollAndMeasure(host, sim, line, seconds, changes, [] { return 0.0; });
  sim.kill();
  sim.waitForFinished(2000);
  return done;
}

bool measureAcrossNetwork(Line& line, int seconds, int changes) {
  QTemporaryDir dir;
  Ser2NetServer server(dir.path(), QStringLiteral(BARRIER_SIM), QStringLiteral(SER2NET), SimArgs + line.simArgs,
                       line.tuning);
  if (!server.start()) {
    std::fprintf(stderr, "%s\n", qPrintable(server.error()));
    return false;
  }
  const QString direct = line.via == Via::RawTcp ? server.rawName() : server.rfc2217Name();
  std::unique_ptr<DelayRelay> relay;
  QString name = direct;
  if (line.addedRoundTripMs > 0) {
    const auto address = networkAddressOf(direct);
    relay = std::make_unique<DelayRelay>(address->port, std::chrono::microseconds(line.addedRoundTripMs * 500));
    name = direct.section(u':', 0, 1) + u':' + QString::number(relay->port());
  }
  BasicHeadlessHost<NetworkLine> host(name, dir.path());
  return pollAndMeasure(host, server.simulator(), line, seconds, changes,
                        [&] { return relay ? relay->cpuSeconds() : 0.0; });
}

bool measure(Line& line, int seconds, int changes) {
  return line.via == Via::Terminal ? measureOnTerminal(line, seconds, changes)
                                   : measureAcrossNetwork(line, seconds, changes);
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const int seconds = argc > 1 ? std::max(2, atoi(argv[1])) : 10;
  const int rounds = argc > 2 ? std::max(1, atoi(argv[2])) : 3;
  const QString only = argc > 3 ? QString::fromLocal8Bit(argv[3]) : QString();
  const double paced = 1 / ((RequestBytes + ReplyBytes) * ByteS + ReactionS + PauseS);
  const auto line = [](const char* name, QStringList args, double limit, const char* fault = nullptr,
                       int settleMs = 0) {
    return Line{name, std::move(args), limit, fault, settleMs, Via::Terminal, 0, Ser2NetServer::Tuning::LowLatency, {}};
  };
  // The paced line with the round trip added to each poll.
  const auto network = [&](const char* name, Via via, int roundTripMs,
                           Ser2NetServer::Tuning tuning = Ser2NetServer::Tuning::LowLatency) {
    return Line{name, {}, 1 / (1 / paced + roundTripMs / 1000.0), nullptr, 0, via, roundTripMs, tuning, {}};
  };
  std::vector<Line> all = {
      line("both directions paced (a real line)", {}, paced),
      line("request taken at once (pseudo-terminal)", {"--no-request-pacing"},
           1 / (ReplyBytes * ByteS + ReactionS + PauseS)),
      line("status of 17 and 9 bytes in turn", {"--status-size", "alternate"},
           1 / ((RequestBytes + (ReplyBytes + ShortReplyBytes) / 2.0) * ByteS + ReactionS + PauseS)),
      line("2-20 ms between the reply's bytes", {"--byte-gap", "2-20"}, 0),
      line("USB adapter, 1 ms latency timer", {"--adapter-latency", "1"}, paced),
      line("USB adapter, 16 ms latency timer", {"--adapter-latency", "16"}, paced),
      line("from 2 s after a reply 990 ms late", {}, paced, "late 990\n", 1000 + 2000),
      line("from 2 s after a reply sent twice", {}, paced, "double 1\n", 2000),
      network("socket:// through ser2net", Via::RawTcp, 0),
      network("rfc2217:// through ser2net", Via::Rfc2217, 0),
      network("socket:// through ser2net, 20 ms round trip added", Via::RawTcp, 20),
      network("rfc2217:// through ser2net, 20 ms round trip added", Via::Rfc2217, 20),
      network("socket:// through ser2net as installed", Via::RawTcp, 0, Ser2NetServer::Tuning::Defaults),
      network("rfc2217:// through ser2net as installed", Via::Rfc2217, 0, Ser2NetServer::Tuning::Defaults),
  };
  std::vector<Line> lines;
  for (const Line& line : all)
    if (only.isEmpty() || QRegularExpression(only).match(QString::fromUtf8(line.name)).hasMatch())
      lines.push_back(line);
  for (int round = 0; round < rounds; ++round)
    for (Line& each : lines)
      if (!measure(each, seconds, 10)) return 1;

  std::printf("%d s of polling and 10 status changes per run, %d interleaved runs per line, medians of the runs\n",
              seconds, rounds);
  for (const Line& line : lines) {
    const auto pick = [&](double Run::*field) {
      std::vector<double> v;
      for (const Run& r : line.runs) v.push_back(r.*field);
      return median(v);
    };
    const double rate = pick(&Run::pollsPerSecond);
    std::printf("%s:\n", line.name);
    if (line.limit > 0)
      std::printf("  status polls:         %.2f per second, %.1f %% of the %.2f this line allows\n", rate,
                  100 * rate / line.limit, line.limit);
    else
      std::printf("  status polls:         %.2f per second\n", rate);
    std::printf("  reply end to request: median %.2f ms (%.3f x the %d ms pause), 90th percentile %.2f ms\n",
                pick(&Run::gapMs), pick(&Run::gapMs) / DeviceLink::StatusPauseMs, DeviceLink::StatusPauseMs,
                pick(&Run::gapP90Ms));
    std::printf("  program CPU:          %.2f %% of one core, %.1f us per poll\n", 100 * pick(&Run::cpuShare),
                pick(&Run::cpuUsPerPoll));
    std::printf("  change to model:      median %.2f ms from the reply's last byte\n", pick(&Run::changeMs));
  }
  return 0;
}
