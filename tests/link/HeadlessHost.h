#pragma once
// The device link on a real port with real timers and no window: what the
// main window does for the link, minus the widgets.
#include "DeviceLink.h"
#include "TComm64.h"

#include <QObject>
#include <QTimer>

#include <functional>

class HeadlessHost : public LinkView {
 public:
  HeadlessHost(const QString& device, const QString& logFolder)
      : log(logFolder + QStringLiteral("/orvita.log"), logFolder + QStringLiteral("/orvita_.log")) {
    comm.SetDeviceName(device);
    comm.SetBaudRate(cbr9600);
    comm.SetDatabits(da8);
    comm.SetParity(paNone);
    comm.SetStopbits(sb1_0);
    comm.OnRxCharSignal = [this](QObject*, std::int32_t count) { link.CommRxCharSignal(count); };
    cycle.setInterval(DeviceLink::CycleIntervalMs);
    QObject::connect(&cycle, &QTimer::timeout, [this] { link.CycleStep(); });
    pause.setSingleShot(true);
    pause.setTimerType(Qt::PreciseTimer);
    QObject::connect(&pause, &QTimer::timeout, [this] { link.StatusPauseElapsed(); });
    log.onStatusLineChanged = [this](const QString&) {
      ++statusReplies;
      if (onStatus) onStatus();
    };
  }
  void Start() { cycle.start(); }

  BarrierModel model;
  LinkState state;
  TComm64 comm;
  EventLog log;
  DeviceLink link{model, state, comm, log, *this};
  QTimer cycle, pause;

  QString identText;
  int statusReplies = 0;
  int draws = 0;
  std::function<void()> onStatus;
  std::function<void()> onDraw;

  void RefreshEditors() override {}
  void DrawBarrier() override {
    ++draws;
    if (onDraw) onDraw();
  }
  void SetBeep() override {}
  void SetButtonEnabled(ToolButton, bool) override {}
  void SetIdentification(const QString& text, Rgb, Rgb) override { identText = text; }
  void SetPortStatus(const QString&) override {}
  void SetGauge(int, Rgb, Rgb) override {}
  void SetStatusLabel(const QString&) override {}
  bool PortDialogShowing() const override { return false; }
  bool StopTicked() const override { return false; }
  bool LogPanelVisible() const override { return false; }
  void RestartCycleTimer() override { cycle.start(); }
  // One continuation at most: a second status reply before it runs merges with it.
  void ScheduleAfterStatus(int ms) override { pause.start(ms); }
};
