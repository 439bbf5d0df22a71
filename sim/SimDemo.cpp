#include "sim/SimDemo.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "sim/SimBarrier.h"

namespace {

bool within(double t, double from, double to) { return t >= from && t < to; }

}  // namespace

void SimDemo::step(SimBarrier& sim, double seconds) {
  if (seconds < 0) seconds = 0;
  const int cycle = int(seconds / CycleSeconds);
  const double t = seconds - cycle * CycleSeconds;
  const int beams = sim.beamCount();
  // Beam numbers above the count fold onto the top beam.
  auto bit = [beams](int beam) { return std::uint8_t(1u << (std::min(beam, beams) - 1)); };
  auto& status = sim.status();

  std::uint8_t alert = 0, half = 0, nar = 0, blocked = 0, flags = 0, sabotage = 0;
  // People crossing: one leg on one beam, then whole bodies on two or three.
  if (within(t, 1.0, 2.0)) alert |= bit(2);
  if (within(t, 4.0, 5.5)) alert |= bit(2) | bit(3);
  if (within(t, 4.5, 5.0)) alert |= bit(1);
  if (within(t, 8.0, 9.5)) alert |= bit(1) | bit(2);
  if (within(t, 48.0, 49.5)) alert |= bit(3) | bit(4);
  // The top beam stays covered (a branch in the wind) and blocks itself.
  if (within(t, 12.0, 15.0)) alert |= bit(beams);
  if (within(t, 15.0, 24.0)) blocked |= bit(beams);
  // Fog: beam 1 weakens to 50%, then to the nar. level.
  if (within(t, 14.0, 22.0)) half |= bit(1);
  if (within(t, 17.0, 20.0)) nar |= bit(1);
  // A second beam blocks briefly late in the cycle.
  if (within(t, 53.0, 54.0)) alert |= bit(2);
  if (within(t, 54.0, 58.0)) blocked |= bit(2);
  // Everything covered for too long: the sabotage signal.
  if (within(t, 56.0, 58.0)) sabotage |= 0x01;

  if (within(t, 25.0, 29.0)) flags |= 0x08;     // receiver tamper contact open
  if (within(t, 31.0, 32.5)) flags |= 0x04;     // bus tamper
  if (flags & 0x0C || sabotage) flags |= 0x02;  // tamper output

  // Supply: 12.2 V, sagging to about 10 V between 34 s and 44 s.
  double raw = 200;
  if (within(t, 34.0, 39.0))
    raw = 200 - (t - 34.0) * 7;
  else if (within(t, 39.0, 41.0))
    raw = 165;
  else if (within(t, 41.0, 44.0))
    raw = 165 + (t - 41.0) * 35.0 / 3.0;
  const auto supply = std::uint8_t(std::lround(raw));
  if (supply < 180) flags |= 0x20;

  if (within(t, 46.0, 52.0)) flags |= 0x40;    // registration mode
  if (std::fmod(t, 1.0) < 0.5) flags |= 0x80;  // LED

  int alerting = 0;
  for (int b = 0; b < 8; ++b) alerting += (alert >> b) & 1;
  const bool alarm = alerting >= 2;
  if (alarm) flags |= 0x01;

  if (cycle != lastCycle_) {
    lastCycle_ = cycle;
    status[SimBarrier::StBlockMemory] = 0;
  }
  status[SimBarrier::StAlarm] = alarm ? alert : 0;
  status[SimBarrier::StSupply] = supply;
  status[SimBarrier::StFlags] = flags;
  status[SimBarrier::StAlert] = alert;
  status[SimBarrier::St50] = half;
  status[SimBarrier::StNar] = nar;
  status[SimBarrier::StBlocked] = blocked;
  status[SimBarrier::StBlockMemory] |= blocked;
  status[SimBarrier::StSabotage] = sabotage;
  // Diagnostic bytes (17-byte status): the blocked beams report a fault code.
  for (int b = 1; b <= 8; ++b) sim.setDiag(b, (blocked & (1u << (b - 1))) != 0);
}

void SimDemo::installConfiguration(SimBarrier& sim) {
  auto& c = sim.config();
  c[0] = 0;  // alarm on one beam
  for (int beam = 1; beam <= 8; ++beam) {
    c[std::size_t(beam)] = 5;       // 5 x 40 ms
    c[std::size_t(16 + beam)] = 3;  // auto-block count
  }
  c[9] = 0x30;  // 12345, high byte first
  c[10] = 0x39;
  c[11] = 10;  // minutes all beams may be covered
  c[16] = 30;  // auto-block counting time, seconds
}
