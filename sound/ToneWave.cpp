#include "sound/ToneWave.h"

#include <algorithm>
#include <cmath>
#include <numbers>

void renderTone(std::span<std::int16_t> out, int hz, int sampleRate, int rampFrames) {
  const std::size_t n = out.size();
  const std::size_t ramp = std::min<std::size_t>(std::size_t(std::max(rampFrames, 0)), n / 2);
  const double step = 2 * std::numbers::pi * hz / sampleRate;
  for (std::size_t i = 0; i < n; ++i) {
    double gain = 1.0;
    const std::size_t edge = std::min(i, n - 1 - i);  // frames from the nearer end
    if (edge < ramp) gain = 0.5 - 0.5 * std::cos(std::numbers::pi * double(edge) / double(ramp));
    out[i] = std::int16_t(std::lround(ToneAmplitude * gain * std::sin(step * double(i))));
  }
}

std::vector<std::int16_t> renderTone(int hz, int ms) {
  std::vector<std::int16_t> out(std::size_t(std::max(framesForMs(ms), 0)));
  renderTone(out, hz);
  return out;
}
