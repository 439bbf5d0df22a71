#pragma once
// Pseudo-terminal pairs and event-loop helpers for the serial port tests.
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <chrono>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>

#include "util/UniqueFd.h"

// A pseudo-terminal: the slave path is what the port opens, the master is
// the other end of the line. The slave descriptor is kept for looking at the
// line's termios from outside.
struct PtyPair {
  UniqueFd master;
  UniqueFd slave;
  std::string slavePath;

  PtyPair() {
    int m = -1, s = -1;
    char name[256] = {};
    if (::openpty(&m, &s, name, nullptr, nullptr) != 0) throw std::runtime_error("openpty failed");
    master.reset(m);
    slave.reset(s);
    slavePath = name;
    termios t{};
    ::tcgetattr(m, &t);
    ::cfmakeraw(&t);
    ::tcsetattr(m, TCSANOW, &t);
    ::fcntl(m, F_SETFL, ::fcntl(m, F_GETFL) | O_NONBLOCK);
  }
};

// Runs the event loop until `done` holds or `limitMs` passes; returns done().
inline bool spinUntil(const std::function<bool()>& done, int limitMs = 5000) {
  QElapsedTimer clock;
  clock.start();
  QTimer tick;  // wakes the loop so that `done` is looked at regularly
  tick.start(2);
  while (!done()) {
    if (clock.elapsed() > limitMs) return done();
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
  return true;
}

// Runs the event loop for `ms` without looking at anything.
inline void runEventLoop(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

inline bool readable(int fd, int timeoutMs) {
  pollfd p = {fd, POLLIN, 0};
  return ::poll(&p, 1, timeoutMs) == 1 && (p.revents & POLLIN);
}

inline int countEntries(const char* dir) {
  int n = 0;
  if (DIR* d = ::opendir(dir)) {
    while (const dirent* e = ::readdir(d))
      if (e->d_name[0] != '.') ++n;
    ::closedir(d);
  }
  return n;
}
inline int threadCount() { return countEntries("/proc/self/task"); }
// The thread count once it has become `expected`, or after 2 s whatever it
// is: a joined thread leaves /proc/self/task a moment after join() returns.
inline int threadCountOnceSettledAt(int expected) {
  for (int i = 0; i < 2000 && threadCount() != expected; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  return threadCount();
}

// The thread count before any port runs. A sanitizer may start a helper
// thread of its own with the first thread the program creates; start one first.
inline int baseThreadCount() {
  std::thread([] {}).join();
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  return threadCount();
}
inline int openDescriptorCount() { return countEntries("/proc/self/fd"); }
