// Prints the time of one full redraw of the barrier picture at its largest
// size (384 x 489), median over many runs, for a quiet and a busy barrier.
#include <QGuiApplication>
#include <QImage>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "ui/BarrierPainter.h"

namespace {

constexpr int Runs = 2000;

BarrierModel quietBarrier() {
  BarrierModel model;
  model.versionInfo = {6, 1, 0, 0, 0x20, 0x24, 0x01, 0x15};
  model.beamCount = 8;
  for (int b = 1; b <= 8; ++b) model.deviceConfig[BarrierConfig::responseTime(b)] = 5;
  model.updateSupply(200);
  return model;
}

// Everything the picture can show at once: dashed beams, block marks,
// diagnostic lines, every tamper fill, the dashed bus and the LED.
BarrierModel busyBarrier() {
  BarrierModel model = quietBarrier();
  model.status = BarrierStatus{0xff, 200, 0xff, 0x0f, 0x30, 0xc0, 0x24, 0x81, 0x01, 0xa5};
  return model;
}

void measure(const char* name, BarrierModel model) {
  QImage image(384, 489, QImage::Format_RGB32);
  BarrierPainter painter;
  for (int i = 0; i < 50; ++i) painter.draw(image, model, true);

  std::vector<double> micros;
  micros.reserve(Runs);
  for (int i = 0; i < Runs; ++i) {
    const auto start = std::chrono::steady_clock::now();
    painter.draw(image, model, true);
    const auto end = std::chrono::steady_clock::now();
    micros.push_back(std::chrono::duration<double, std::micro>(end - start).count());
  }
  std::sort(micros.begin(), micros.end());
  std::printf("%-6s DrawBarrier 384x489: median %.1f us, 10%% %.1f us, 90%% %.1f us (%d runs)\n", name,
              micros[Runs / 2], micros[Runs / 10], micros[Runs * 9 / 10], Runs);
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);  // fonts for the texts
  measure("quiet", quietBarrier());
  measure("busy", busyBarrier());
  return 0;
}
