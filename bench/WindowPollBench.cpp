// The whole program, main window and all, polling barrier-sim (9600 bit/s
// paced both ways, 17-byte status, 1 ms reaction): the process's CPU while
// it polls, the polls per second, the time from a reply's last byte to the
// next request, and the time from the last byte of a reply that carries a
// status change to the picture showing it (drawn and flushed to the window
// system). Runs alternate between the window as it starts, the window with
// its log panel open, the window with the traffic monitor open beside it, and
// the window hidden; medians of the runs are printed, and what the monitor
// adds to the window as it starts.
// Run it on the display to be measured (an Xvfb, a desktop session).
//
//   build/release/bench/window_poll_bench [seconds per run] [rounds]
#include <sys/resource.h>

#include <QApplication>
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
#include <memory>
#include <vector>

#include "app/MainWindow.h"
#include "app/OpenDisplay.h"
#include "bench/Measure.h"
#include "bench/SimTiming.h"
#include "files/SettingsStore.h"
#include "ui/TrafficMonitorWindow.h"

namespace {

constexpr double LineLimit = 1 / ((5 + 22) * 10 / 9600.0 + 0.001 + DeviceLink::StatusPauseMs / 1000.0);

// Tells when the picture has been redrawn on screen, and when status replies came.
class MeasuredWindow : public MainWindow {
 public:
  std::function<void()> afterDraw;
  std::vector<long long> statusNs;  // while recording
  bool recording = false;
  void drawBarrier() override {
    MainWindow::drawBarrier();
    if (afterDraw) afterDraw();
  }
  void setStatusLabel(const QString& text) override {
    MainWindow::setStatusLabel(text);
    if (recording) statusNs.push_back(monotonicNs());
  }
};

bool waitUntil(const std::function<bool()>& done, int timeoutMs) {
  QEventLoop loop;
  QTimer check;
  QObject::connect(&check, &QTimer::timeout, &loop, [&] {
    if (done()) loop.quit();
  });
  check.start(1);
  QTimer::singleShot(timeoutMs, Qt::PreciseTimer, &loop, &QEventLoop::quit);
  if (!done()) loop.exec();
  return done();
}

double median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

struct Run {
  double pollsPerSecond = 0, cpuShare = 0, cpuUsPerPoll = 0, gapMs = 0, changeMs = 0;
};

enum class Showing { Window, WithLogPanel, WithMonitor, Hidden };

struct Setup {
  const char* name;
  Showing showing;
  std::vector<Run> runs;
};

bool measure(Setup& setup, int seconds, int changes) {
  QTemporaryDir dir;
  const QString tty = dir.filePath("barrier");
  QProcess sim;
  sim.start(QStringLiteral(BARRIER_SIM), {"--link", tty, "--status-size", "17", "--reaction-ms", "1"});
  if (!sim.waitForStarted(5000) || !QTest::qWaitFor([&] { return QFileInfo::exists(tty); }, 5000)) {
    std::fprintf(stderr, "barrier-sim did not start\n");
    return false;
  }
  writeStoredString(SettingsKey, QStringLiteral("cm"), tty);
  auto window = std::make_unique<MeasuredWindow>();
  window->show();
  if (!QTest::qWaitForWindowExposed(window.get())) {
    std::fprintf(stderr, "the window was not shown\n");
    return false;
  }
  if (setup.showing == Showing::WithLogPanel) window->toggleLogPanel();
  if (setup.showing == Showing::WithMonitor) {
    window->showTrafficMonitor();
    if (!QTest::qWaitForWindowExposed(window->trafficMonitor)) {
      std::fprintf(stderr, "the traffic monitor was not shown\n");
      return false;
    }
  }
  if (!waitUntil([&] { return window->model.connected() && window->state.readStep == 0; }, 10000)) {
    std::fprintf(stderr, "no connection to barrier-sim\n");
    return false;
  }
  if (setup.showing == Showing::Hidden) window->hide();
  // The status chain under way, and the activity gauge once round both its
  // colour pairs (200 replies), as in a program that has been polling a while.
  runFor(9000);

  askTiming(sim);
  window->recording = true;
  const double cpuBefore = cpuSeconds();
  QElapsedTimer wall;
  wall.start();
  runFor(seconds * 1000);
  const double elapsed = double(wall.nsecsElapsed()) / 1e9;
  const double cpu = cpuSeconds() - cpuBefore;
  window->recording = false;
  const auto timing = askTiming(sim);
  const std::vector<long long>& replies = window->statusNs;
  if (!timing || replies.size() < 2) {
    std::fprintf(stderr, "no polling, or barrier-sim did not tell its timing\n");
    return false;
  }
  // Between the first and the last reply, so that it does not depend on where the run cuts a poll.
  const double polls = double(replies.size());
  const double rate = (polls - 1) / (double(replies.back() - replies.front()) / 1e9);

  // Beam 1's alert toggled: from the last byte of the first reply that
  // carries it to the redrawn picture.
  std::vector<double> latencies;
  for (int i = 0; setup.showing != Showing::Hidden && i < changes; ++i) {
    const bool on = i % 2 == 0;
    long long drawnNs = 0;
    const auto shown = [&] { return (window->model.status.beamsAlert & 1) == (on ? 1 : 0); };
    window->afterDraw = [&] {
      if (drawnNs == 0 && shown()) drawnNs = monotonicNs();
    };
    sim.write(on ? "alert 1 on\n" : "alert 1 off\n");
    sim.waitForBytesWritten(1000);
    const bool drawn = waitUntil([&] { return drawnNs != 0; }, 3000);
    window->afterDraw = nullptr;
    const auto change = askTiming(sim);
    if (drawn && change && drawnNs > change->changeEndNs)
      latencies.push_back(double(drawnNs - change->changeEndNs) / 1e6);
    runFor(50 + int(QRandomGenerator::global()->bounded(40)));  // no phase lock with the polls
  }

  setup.runs.push_back(Run{rate, cpu / elapsed, 1e6 * cpu / polls, timing->gapMedianMs, median(latencies)});
  window.reset();
  sim.kill();
  sim.waitForFinished(2000);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  QTemporaryDir home;
  qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toLocal8Bit());
  qputenv("XDG_STATE_HOME", home.filePath(QStringLiteral("state")).toLocal8Bit());
  // As the program opens its display, so that Qt's choices for the window system are the program's.
  const auto app = openDisplay(argc, argv, QStringLiteral("window_poll_bench: no display"));
  const int seconds = argc > 1 ? std::max(2, atoi(argv[1])) : 10;
  const int rounds = argc > 2 ? std::max(1, atoi(argv[2])) : 3;
  std::vector<Setup> setups = {
      {"window as it starts", Showing::Window, {}},
      {"window with the log panel open", Showing::WithLogPanel, {}},
      {"window with the traffic monitor open", Showing::WithMonitor, {}},
      {"window hidden", Showing::Hidden, {}},
  };
  for (int round = 0; round < rounds; ++round)
    for (Setup& setup : setups)
      if (!measure(setup, seconds, 10)) return 1;

  std::printf("platform %s; %d s of polling and 10 status changes per run, %d interleaved runs each, medians\n",
              qPrintable(QGuiApplication::platformName()), seconds, rounds);
  for (const Setup& setup : setups) {
    const auto pick = [&](double Run::*field) {
      std::vector<double> v;
      for (const Run& r : setup.runs) v.push_back(r.*field);
      return median(v);
    };
    std::printf("%s:\n", setup.name);
    std::printf("  program CPU:          %.2f %% of one core, %.1f us per poll\n", 100 * pick(&Run::cpuShare),
                pick(&Run::cpuUsPerPoll));
    std::printf("  status polls:         %.2f per second, %.1f %% of the %.2f the line allows\n",
                pick(&Run::pollsPerSecond), 100 * pick(&Run::pollsPerSecond) / LineLimit, LineLimit);
    std::printf("  reply end to request: median %.2f ms\n", pick(&Run::gapMs));
    if (setup.showing != Showing::Hidden)
      std::printf("  change to screen:     median %.2f ms from the reply's last byte\n", pick(&Run::changeMs));
  }
  const auto cpuMedian = [](const Setup& setup) {
    std::vector<double> v;
    for (const Run& r : setup.runs) v.push_back(r.cpuShare);
    return median(v);
  };
  const auto pick = [](const Setup& setup, double Run::*field) {
    std::vector<double> v;
    for (const Run& r : setup.runs) v.push_back(r.*field);
    return median(v);
  };
  // Per poll as well, since a loaded machine polls less and so spends less.
  std::printf(
      "traffic monitor adds %.2f %% of one core to the window as it starts; %.1f us per poll, "
      "%.2f %% of one core at the %.2f polls a second the line allows\n",
      100 * (cpuMedian(setups[2]) - cpuMedian(setups[0])),
      pick(setups[2], &Run::cpuUsPerPoll) - pick(setups[0], &Run::cpuUsPerPoll),
      (pick(setups[2], &Run::cpuUsPerPoll) - pick(setups[0], &Run::cpuUsPerPoll)) * LineLimit / 1e4, LineLimit);
  return 0;
}
