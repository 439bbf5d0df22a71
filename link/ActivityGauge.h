#pragma once
// The state of the pie-shaped activity gauge in the status strip: one step
// per received chunk, colours swapping each time it comes round to 0.
#include "model/Colors.h"

struct ActivityGauge {
  static constexpr int Range = 100;
  int progress = 0;
  Rgb foreground = colors::Yellow;
  Rgb background = colors::Green;

  void step() {
    progress = (progress + 1) % Range;
    if (progress == 0) {
      foreground = foreground == colors::Yellow ? colors::Green : colors::Yellow;
      background = background == colors::Green ? colors::Yellow : colors::Green;
    }
  }
  void restart() { *this = ActivityGauge{}; }
};
