#pragma once
// A barrier's day in one minute, for newcomers and screenshots: people
// crossing the beams, a beam going into alert and then blocked, the block
// memory filling, a tamper contact opening, a bus tamper, the supply sagging,
// registration mode, the LED blinking. The scene is a function of time, so
// any moment can be reproduced; only the block memory accumulates (the
// program's block-memory reset clears it, a new cycle starts it empty).
class SimBarrier;

class SimDemo {
 public:
  static constexpr double CycleSeconds = 60.0;

  // Sets the live status of `sim` for `seconds` since the demo began
  // (steady clock). Beams above the sim's beam count are never touched.
  void step(SimBarrier& sim, double seconds);
  // A configuration as an installer would leave it, so the demo's beams are
  // switched on: 200 ms response, auto-block after 3 in 30 s, 10 minutes
  // covered, transmitter 12345. The beam count stays as it is.
  static void installConfiguration(SimBarrier& sim);

 private:
  int lastCycle_ = -1;
};
