// Prints what the traffic monitor costs for one batch of rows at the full
// poll rate (a second: 25 status polls, 50 rows) with its ring full:
// taking the rows in and repainting the table as it follows the newest row,
// median over many batches, in this process's CPU time (a loaded machine
// stretches the wall clock). Run it on the display to be measured.
#include <time.h>

#include <QApplication>
#include <QTableView>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "eventlog/EventLog.h"
#include "link/DeviceLink.h"
#include "link/Frame.h"
#include "ui/TrafficMonitorWindow.h"

namespace {

double cpuMicros() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return double(t.tv_sec) * 1e6 + double(t.tv_nsec) / 1e3;
}

class NoLine : public SerialLine {
 public:
  bool open() override { return false; }
  void close() override {}
  bool isOpen() const override { return false; }
  bool setDtr(bool) override { return false; }
  bool setRts(bool) override { return false; }
  std::int32_t read(std::uint8_t*, std::int32_t) override { return 0; }
  std::int32_t write(const std::uint8_t*, std::int32_t) override { return 0; }
  QString deviceName() const override { return QStringLiteral("ttyS0"); }
};

class NoView : public LinkView {
 public:
  void refreshEditors() override {}
  void drawBarrier() override {}
  void setBeep() override {}
  void setButtonEnabled(ToolButton, bool) override {}
  void setIdentification(const QString&, Rgb, Rgb) override {}
  void setPortStatus(const QString&) override {}
  void setGauge(int, Rgb, Rgb) override {}
  void showNotice(const QString&) override {}
  void setStatusLabel(const QString&) override {}
  bool portDialogShowing() const override { return false; }
  bool stopTicked() const override { return false; }
  bool logPanelVisible() const override { return false; }
  void restartCycleTimer() override {}
  void scheduleAfterStatus(int) override {}
};

void poll(TrafficRecorder& recorder, int i, TrafficRecorder::Clock::time_point now) {
  const std::vector<std::uint8_t> request = buildFrame(frame::CmdStatus, {});
  const std::vector<std::uint8_t> reply =
      buildFrame(frame::CmdStatus,
                 std::vector<std::uint8_t>{std::uint8_t(i & 2), 200, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
  recorder.requestSent(request, now);
  recorder.replyReceived(reply, now, now);
}

}  // namespace

int main(int argc, char** argv) {
  // As the program opens its display (app/OpenDisplay.cpp).
  if (qEnvironmentVariableIsEmpty("QT_XCB_NO_MITSHM")) qputenv("QT_XCB_NO_MITSHM", "1");
  QApplication app(argc, argv);
  BarrierModel model;
  LinkState state;
  NoLine line;
  EventLog log{QString(), QString()};
  NoView view;
  DeviceLink link(model, state, line, log, view);
  TrafficMonitorWindow window(link, log);
  window.show();
  // An hour old, so that the summary's count of the last seconds stops where it does in a session.
  const auto hourAgo = TrafficRecorder::Clock::now() - std::chrono::hours(1);
  for (int i = 0; i < int(TrafficRecorder::DefaultCapacity) / 2; ++i) poll(window.recorder, i, hourAgo);
  window.flush();
  QApplication::processEvents();

  constexpr int Batches = 1000;
  std::vector<double> micros, takeIn;
  for (int b = 0; b < Batches; ++b) {
    for (int i = 0; i < 25; ++i) poll(window.recorder, b * 25 + i, TrafficRecorder::Clock::now());
    const double start = cpuMicros();
    window.flush();
    const double taken = cpuMicros();
    // The repaint the batch asked for, as the event loop runs it.
    QApplication::processEvents();
    micros.push_back(cpuMicros() - start);
    takeIn.push_back(taken - start);
  }
  std::sort(micros.begin(), micros.end());
  std::sort(takeIn.begin(), takeIn.end());
  std::printf(
      "platform %s; traffic monitor, ring full (%zu rows), one batch of 50 rows taken in and the table "
      "repainted: median %.0f us of CPU (taking in %.0f us), 10%% %.0f us, 90%% %.0f us (%d batches)\n",
      qPrintable(QGuiApplication::platformName()), window.recorder.rows().size(), micros[Batches / 2],
      takeIn[Batches / 2], micros[Batches / 10], micros[Batches * 9 / 10], Batches);
  return 0;
}
