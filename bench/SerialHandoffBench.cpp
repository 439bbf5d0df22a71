// Status polls over a pseudo-terminal, answered by a responder process that
// paces its 22-byte reply at 9600 bit/s, one byte at a time. The same polls
// run through SerialPort's event hand-off (with and without burst settling) and
// through a plain single-threaded poll+read loop, interleaved, and the
// medians of the runs are printed. Usage: serial_handoff_bench [polls] [rounds]
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
#include <functional>
#include <string>
#include <vector>

#include "serial/LineTermios.h"
#include "serial/SerialPort.h"
#include "serial/UniqueFd.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::array<std::uint8_t, 5> kRequest = {0xFF, 0xFF, 0x02, 0x03, 0x03};
constexpr std::size_t kReplySize = 22;
constexpr long kByteNs = 1'041'667;  // 10 bits at 9600 bit/s
constexpr int kGapMs = 10;

// Answers every 5-byte request with 22 bytes, each one a character time after the last.
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

double cpuSeconds() {
  rusage r{};
  ::getrusage(RUSAGE_SELF, &r);
  return double(r.ru_utime.tv_sec + r.ru_stime.tv_sec) + double(r.ru_utime.tv_usec + r.ru_stime.tv_usec) * 1e-6;
}

struct RunFigures {
  double pollsPerSecond = 0, medianMs = 0, p99Ms = 0, cpuUsPerPoll = 0, cpuShare = 0;
};

RunFigures summarise(std::vector<double> latenciesMs, double wallS, double cpuS) {
  std::sort(latenciesMs.begin(), latenciesMs.end());
  const auto n = latenciesMs.size();
  RunFigures f;
  f.pollsPerSecond = double(n) / wallS;
  f.medianMs = latenciesMs[n / 2];
  f.p99Ms = latenciesMs[std::min(n - 1, (n * 99) / 100)];
  f.cpuUsPerPoll = cpuS * 1e6 / double(n);
  f.cpuShare = cpuS / wallS;
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
  return summarise(latencies, wall, cpuSeconds() - cpu0);
}

RunFigures runHandoff(const std::string& path, int polls, bool settle) {
  SerialPort port;
  port.setDeviceName(QString::fromStdString(path));
  port.setBaudRate(cbr9600);
  port.setRxSettle(settle);
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
    if (got < kReplySize) return;
    latencies.push_back(std::chrono::duration<double, std::milli>(Clock::now() - sent).count());
    if (int(latencies.size()) == polls)
      QCoreApplication::quit();
    else
      QTimer::singleShot(kGapMs, Qt::PreciseTimer, send);
  };
  if (!port.open()) std::fprintf(stderr, "open failed\n"), std::exit(1);
  const double cpu0 = cpuSeconds();
  const auto wall0 = Clock::now();
  send();
  QCoreApplication::exec();
  const double wall = std::chrono::duration<double>(Clock::now() - wall0).count();
  const double cpu = cpuSeconds() - cpu0;
  port.close();
  return summarise(latencies, wall, cpu);
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
      {"SerialPort hand-off, burst settling", [&] { return runHandoff(path, polls, true); }, {}},
      {"SerialPort hand-off, every wake-up", [&] { return runHandoff(path, polls, false); }, {}},
  };
  for (int round = 0; round < rounds; ++round)
    for (Mode& mode : modes) mode.runs.push_back(mode.run());

  std::printf("%d polls per run, %d interleaved runs per path, medians of the runs\n", polls, rounds);
  std::printf("%-34s %8s %10s %10s %12s %10s\n", "path", "polls/s", "median ms", "p99 ms", "CPU us/poll", "CPU share");
  double plainCpu = 0;
  for (const Mode& mode : modes) {
    const auto pick = [&](double RunFigures::*field) {
      std::vector<double> v;
      for (const RunFigures& f : mode.runs) v.push_back(f.*field);
      return median(v);
    };
    const double cpu = pick(&RunFigures::cpuUsPerPoll);
    if (plainCpu == 0) plainCpu = cpu;
    std::printf("%-34s %8.2f %10.2f %10.2f %12.1f %9.2f%%   (%.2fx plain)\n", mode.name,
                pick(&RunFigures::pollsPerSecond), pick(&RunFigures::medianMs), pick(&RunFigures::p99Ms), cpu,
                100 * pick(&RunFigures::cpuShare), cpu / plainCpu);
  }
  ::kill(responder, SIGTERM);
  ::waitpid(responder, nullptr, 0);
  ::close(slave);
  return 0;
}
