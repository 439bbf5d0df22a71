#pragma once
// The device link on a real line with real timers and no window: what the
// main window does for the link, minus the widgets. `Line` is SerialPort or
// NetworkLine, which announce arriving bytes and their own loss alike.
#include <QObject>
#include <QTimer>
#include <functional>

#include "link/DeviceLink.h"
#include "link/PauseTimer.h"
#include "serial/SerialPort.h"
#include "sound/AlarmBeeper.h"

template <typename Line>
class BasicHeadlessHost : public LinkView {
 public:
  BasicHeadlessHost(const QString& device, const QString& logFolder)
      : log(logFolder + QStringLiteral("/orvita.log"), logFolder + QStringLiteral("/orvita_.log")) {
    comm.setDeviceName(device);
    comm.setBaudRate(cbr9600);
    comm.setDataBits(da8);
    comm.setParity(paNone);
    comm.setStopBits(sb1_0);
    comm.onRxChar = [this](QObject*, std::int32_t count) { link.onBytesReceived(count); };
    comm.onDeviceLost = [this](QObject*) { link.onDeviceLost(); };
    cycle.setTimerType(Qt::PreciseTimer);
    cycle.setInterval(DeviceLink::CycleIntervalMs);
    QObject::connect(&cycle, &QTimer::timeout, [this] { link.cycleStep(); });
    log.onStatusLineChanged = [this](const QString&) {
      ++statusReplies;
      if (onStatus) onStatus();
    };
  }
  void start() { cycle.start(); }

  BarrierModel model;
  LinkState state;
  Line comm;
  EventLog log;
  DeviceLink link{model, state, comm, log, *this};
  QTimer cycle;
  PauseTimer pause{[this] { link.statusPauseElapsed(); }};

  QString identText, notice;
  std::uint32_t beep = 0;  // the beeper's pattern
  int statusReplies = 0;
  int draws = 0;
  std::function<void()> onStatus;
  std::function<void()> onDraw;
  std::function<void()> onTimedRequest;  // a request that restarts the cycle timer went out

  void refreshEditors() override {}
  void drawBarrier() override {
    ++draws;
    if (onDraw) onDraw();
  }
  void setBeep() override { beep = beepPattern(model.status.beamsAlert, model.connected()); }
  void showNotice(const QString& text) override { notice = text; }
  void setButtonEnabled(ToolButton, bool) override {}
  void setIdentification(const QString& text, Rgb, Rgb) override { identText = text; }
  void setPortStatus(const QString&) override {}
  void setGauge(int, Rgb, Rgb) override {}
  void setStatusLabel(const QString&) override {}
  bool portDialogShowing() const override { return false; }
  bool stopTicked() const override { return false; }
  bool logPanelVisible() const override { return false; }
  void restartCycleTimer() override {
    cycle.start();
    if (onTimedRequest) onTimedRequest();
  }
  // One continuation at most: a second status reply before it runs merges with it.
  void scheduleAfterStatus(int ms) override { pause.start(std::chrono::milliseconds(ms)); }
};

using HeadlessHost = BasicHeadlessHost<SerialPort>;
