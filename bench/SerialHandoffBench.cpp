// Status polls over a pseudo-terminal, answered by a responder process that
// paces both directions at 9600 bit/s: its 22-byte reply starts once the
// 5-byte request would have crossed the line, and leaves a byte at a time.
// The same polls run through SerialPort's event hand-off (with the receive
// threshold set to the reply's size, and with a hand-off at every arrival)
// and through a plain single-threaded poll+read loop, interleaved, and the
// medians of the runs are printed, with how often the waiting thread (or the
// plain loop) woke per poll. Usage: serial_handoff_bench [polls] [rounds]
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QTimer>
#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "bench/Measure.h"
#include "serial/LineTermios.h"
#include "serial/SerialPort.h"
#include "util/UniqueFd.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::array<std::uint8_t, 5> kRequest = {0xFF, 0xFF, 0x02, 0x03, 0x03};
constexpr std::size_t kReplySize = 22;
constexpr long kByteNs = 1'041'667;  // 10 bits at 9600 bit/s
constexpr int kGapMs = 10;

// Answers every 5-byte request with 22 bytes, the first one a request's wire
// time after the request came, each further one a character time after the last.
[[noreturn]] void respond(int master) {
  std::array<std::uint8_t, kReplySize> reply{};
  reply[0] = 0xFF, reply[1] = 0xFF, reply[2] = 0x14, reply[3] = 0x03;
  for (std::size_t i = 4; i + 1 < kReplySize; ++i) reply[i] = static_cast<std::uint8_t>(i * 7);
  std::size_t have = 0;
  for (;;) {
    std::uint8_t in[64];
    const ssize_t n = ::read(master, in, sizeof in);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno == EIO) {  // no slave open between runs
      ::usleep(1000);
      continue;
    }
    if (n <= 0) std::_Exit(0);
    have += static_cast<std::size_t>(n);
    while (have >= kRequest.size()) {
      have -= kRequest.size();
      timespec next{};
      ::clock_gettime(CLOCK_MONOTONIC, &next);
      next.tv_nsec += kByteNs * long(kRequest.size());  // the pseudo-terminal brought the request at once
      for (std::uint8_t byte : reply) {
        next.tv_nsec += kByteNs;
        if (next.tv_nsec >= 1'000'000'000) next.tv_nsec -= 1'000'000'000, ++next.tv_sec;
        while (::clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr) == EINTR) {
        }
        while (::write(master, &byte, 1) != 1) {
        }
      }
    }
  }
}

// Voluntary context switches (waits that ended) of this process's threads:
// the main thread's, or all the others'.
long wakeUps(bool mainThread) {
  long sum = 0;
  const pid_t self = ::getpid();
  for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
    const bool isMain = task.path().filename() == std::to_string(self);
    if (isMain != mainThread) continue;
    std::ifstream status(task.path() / "status");
    for (std::string line; std::getline(status, line);)
      if (line.rfind("voluntary_ctxt_switches:", 0) == 0) sum += std::atol(line.c_str() + 24);
  }
  return sum;
}

struct RunFigures {
  double pollsPerSecond = 0, medianMs = 0, p99Ms = 0, cpuUsPerPoll = 0, cpuShare = 0, wakeUpsPerPoll = 0;
};

RunFigures summarise(std::vector<double> latenciesMs, double wallS, double cpuS, long wakes) {
  std::sort(latenciesMs.begin(), latenciesMs.end());
  const auto n = latenciesMs.size();
  RunFigures f;
  f.pollsPerSecond = double(n) / wallS;
  f.medianMs = latenciesMs[n / 2];
  f.p99Ms = latenciesMs[std::min(n - 1, (n * 99) / 100)];
  f.cpuUsPerPoll = cpuS * 1e6 / double(n);
  f.cpuShare = cpuS / wallS;
  f.wakeUpsPerPoll = double(wakes) / double(n);
  return f;
}

RunFigures runPlainLoop(const std::string& path, int polls) {
  UniqueFd fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
  if (!fd.valid()) std::perror("open"), std::exit(1);
  termios t{};
  ::tcgetattr(fd.get(), &t);
  makeRawLine(t);
  setLineSpeed(t, cbr9600);
  ::tcsetattr(fd.get(), TCSANOW, &t);
  std::vector<double> latencies;
  const double cpu0 = cpuSeconds();
  const long wakes0 = wakeUps(true);
  const auto wall0 = Clock::now();
  for (int i = 0; i < polls; ++i) {
    const auto sent = Clock::now();
    if (::write(fd.get(), kRequest.data(), kRequest.size()) != ssize_t(kRequest.size())) std::exit(1);
    std::size_t got = 0;
    std::array<std::uint8_t, 255> buffer{};
    while (got < kReplySize) {
      pollfd p = {fd.get(), POLLIN, 0};
      if (::poll(&p, 1, 2000) <= 0) std::fprintf(stderr, "plain loop: no reply\n"), std::exit(1);
      const ssize_t n = ::read(fd.get(), buffer.data(), buffer.size());
      if (n > 0) got += static_cast<std::size_t>(n);
    }
    latencies.push_back(std::chrono::duration<double, std::milli>(Clock::now() - sent).count());
    ::poll(nullptr, 0, kGapMs);
  }
  const double wall = std::chrono::duration<double>(Clock::now() - wall0).count();
  // The pauses between polls are waits too; they are not the loop's doing.
  return summarise(latencies, wall, cpuSeconds() - cpu0, wakeUps(true) - wakes0 - polls);
}

// `awaitReply`: the receive path asks the port for the rest of the reply,
// as the device link does; otherwise every arrival is handed over.
RunFigures runHandoff(const std::string& path, int polls, bool awaitReply) {
  SerialPort port;
  port.setDeviceName(QString::fromStdString(path));
  port.setBaudRate(cbr9600);
  if (awaitReply) port.setRxThreshold(kReplySize);
  std::vector<double> latencies;
  std::size_t got = 0;
  Clock::time_point sent;
  const auto send = [&] {
    sent = Clock::now();
    got = 0;
    port.write(kRequest.data(), kRequest.size());
  };
  port.onRxChar = [&](QObject*, std::int32_t count) {
    std::array<std::uint8_t, 255> buffer{};
    const std::int32_t n = port.read(buffer.data(), std::min<std::int32_t>(count, buffer.size()));
    if (n > 0) got += static_cast<std::size_t>(n);
    if (awaitReply) port.setRxThreshold(std::int32_t(got < kReplySize ? kReplySize - got : kReplySize));
    if (got < kReplySize) return;
    latencies.push_back(std::chrono::duration<double, std::milli>(Clock::now() - sent).count());
    if (int(latencies.size()) == polls)
      QCoreApplication::quit();
    else
      QTimer::singleShot(kGapMs, Qt::PreciseTimer, send);
  };
  if (!port.open()) std::fprintf(stderr, "open failed\n"), std::exit(1);
  const double cpu0 = cpuSeconds();
  const long wakes0 = wakeUps(false);
  const auto wall0 = Clock::now();
  send();
  QCoreApplication::exec();
  const double wall = std::chrono::duration<double>(Clock::now() - wall0).count();
  const double cpu = cpuSeconds() - cpu0;
  const long wakes = wakeUps(false) - wakes0;
  port.close();
  return summarise(latencies, wall, cpu, wakes);
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const int polls = argc > 1 ? std::atoi(argv[1]) : 100;
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
  int master = -1, slave = -1;
  char name[256] = {};
  if (::openpty(&master, &slave, name, nullptr, nullptr) != 0) return std::perror("openpty"), 1;
  termios raw{};
  ::tcgetattr(master, &raw);
  ::cfmakeraw(&raw);
  ::tcsetattr(master, TCSANOW, &raw);
  // The responder is a process of its own, so that its time is not counted.
  const pid_t responder = ::fork();
  if (responder == 0) {
    ::close(slave);
    respond(master);
  }
  ::close(master);

  QCoreApplication app(argc, argv);
  struct Mode {
    const char* name;
    std::function<RunFigures()> run;
    std::vector<RunFigures> runs;
  };
  const std::string path = name;
  std::vector<Mode> modes = {
      {"plain poll+read loop", [&] { return runPlainLoop(path, polls); }, {}},
      {"SerialPort, threshold = reply", [&] { return runHandoff(path, polls, true); }, {}},
      {"SerialPort, hand-off per arrival", [&] { return runHandoff(path, polls, false); }, {}},
  };
  for (int round = 0; round < rounds; ++round)
    for (Mode& mode : modes) mode.runs.push_back(mode.run());

  std::printf("%d polls per run, %d interleaved runs per path, medians of the runs\n", polls, rounds);
  std::printf("%-34s %8s %10s %10s %12s %10s %12s\n", "path", "polls/s", "median ms", "p99 ms", "CPU us/poll",
              "CPU share", "wakes/poll");
  for (const Mode& mode : modes) {
    const auto pick = [&](double RunFigures::*field) {
      std::vector<double> v;
      for (const RunFigures& f : mode.runs) v.push_back(f.*field);
      return median(v);
    };
    // Each run against the plain loop's run of the same round.
    std::vector<double> ratios;
    for (std::size_t i = 0; i < mode.runs.size(); ++i)
      ratios.push_back(mode.runs[i].cpuUsPerPoll / modes.front().runs[i].cpuUsPerPoll);
    const double cpu = pick(&RunFigures::cpuUsPerPoll);
    std::printf("%-34s %8.2f %10.2f %10.2f %12.1f %9.2f%% %12.1f   (%.2fx plain CPU)\n", mode.name,
                pick(&RunFigures::pollsPerSecond), pick(&RunFigures::medianMs), pick(&RunFigures::p99Ms), cpu,
                100 * pick(&RunFigures::cpuShare), pick(&RunFigures::wakeUpsPerPoll), median(ratios));
  }
  ::kill(responder, SIGTERM);
  ::waitpid(responder, nullptr, 0);
  ::close(slave);
  return 0;
}
