#pragma once
// Asks a running barrier-sim for its line timing (its `timing` command) and
// reads the answer from its standard error. The simulator measures on
// CLOCK_MONOTONIC, which this process shares.
#include <time.h>

#include <QProcess>
#include <QString>
#include <cstdio>
#include <optional>

struct SimTiming {
  int gaps = 0;            // replies followed by a request since the last ask
  double gapMedianMs = 0;  // from a reply's last byte to the next request
  double gapP90Ms = 0;
  long long changeEndNs = 0;  // last byte of the latest status reply that changed
};

inline long long monotonicNs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return (long long)now.tv_sec * 1000000000LL + now.tv_nsec;
}

// Blocks (the caller's event loop too) until the answer is in, at most 3 s.
inline std::optional<SimTiming> askTiming(QProcess& sim) {
  sim.setReadChannel(QProcess::StandardError);
  sim.readAll();
  sim.write("timing\n");
  sim.waitForBytesWritten(1000);
  for (int i = 0; i < 30; ++i) {
    while (sim.canReadLine()) {
      const QByteArray line = sim.readLine();
      SimTiming t;
      if (std::sscanf(line.constData(),
                      "timing: %d gaps from a reply's end to the next request, median %lf ms, 90th percentile %lf "
                      "ms; last status change ended at %lld ns",
                      &t.gaps, &t.gapMedianMs, &t.gapP90Ms, &t.changeEndNs) == 4)
        return t;
    }
    sim.waitForReadyRead(100);
  }
  return std::nullopt;
}
