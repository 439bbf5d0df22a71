#pragma once
// What every benchmark measures with: this process's CPU time, and a real
// event loop (QTest::qWait sleeps between rounds of events and would hold
// replies back by up to 10 ms).
#include <sys/resource.h>

#include <QEventLoop>
#include <QTimer>

inline double cpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

inline void runFor(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
  loop.exec();
}
