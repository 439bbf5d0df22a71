#pragma once
// A device link wired to an in-process simulated barrier and a recording
// window, so the protocol runs without a port, a timer or a widget.
#include "DeviceLink.h"
#include "SimBarrier.h"

#include <QTemporaryDir>

#include <deque>
#include <vector>

// A serial line whose far end is a SimBarrier: written requests are answered
// at once into the receive queue; Deliver() plays the notifications.
class SimLine : public SerialLine {
 public:
  SimBarrier sim;
  bool openable = true;
  bool open = false;
  int opens = 0;
  std::deque<std::uint8_t> input;
  std::vector<std::vector<std::uint8_t>> written;

  bool Open() override {
    ++opens;
    open = openable;
    return open;
  }
  void Close() override { open = false; }
  bool IsOpen() const override { return open; }
  bool SetDTR(bool) override { return false; }
  bool SetRTS(bool) override { return false; }
  std::int32_t Read(std::uint8_t* buffer, std::int32_t count) override {
    if (!open) return 0;
    std::int32_t n = 0;
    while (n < count && !input.empty()) {
      buffer[n++] = input.front();
      input.pop_front();
    }
    return n;
  }
  std::int32_t Write(const std::uint8_t* buffer, std::int32_t count) override {
    if (!open) return 0;
    written.emplace_back(buffer, buffer + count);
    for (std::uint8_t b : sim.Receive({buffer, std::size_t(count)})) input.push_back(b);
    return count;
  }
  QString DeviceName() const override { return QStringLiteral("ttyUSB0"); }
};

class RecordingView : public LinkView {
 public:
  int refreshes = 0, draws = 0, beeps = 0, restarts = 0;
  int scheduled = 0;  // continuations asked for and not yet run
  QString identText, portStatus, statusLabel;
  Rgb identColour = 0, identBackground = 0;
  int gaugeProgress = -1;
  Rgb gaugeForeground = 0, gaugeBackground = 0;
  bool readEnabled = true, sendEnabled = true, resetEnabled = true;
  bool dialog = false, stop = false, logPanel = false;

  void RefreshEditors() override { ++refreshes; }
  void DrawBarrier() override { ++draws; }
  void SetBeep() override { ++beeps; }
  void SetButtonEnabled(ToolButton button, bool enabled) override {
    (button == ToolButton::Read ? readEnabled : button == ToolButton::Send ? sendEnabled : resetEnabled) = enabled;
  }
  void SetIdentification(const QString& text, Rgb colour, Rgb background) override {
    identText = text;
    identColour = colour;
    identBackground = background;
  }
  void SetPortStatus(const QString& text) override { portStatus = text; }
  void SetGauge(int progress, Rgb foreground, Rgb background) override {
    gaugeProgress = progress;
    gaugeForeground = foreground;
    gaugeBackground = background;
  }
  void SetStatusLabel(const QString& text) override { statusLabel = text; }
  bool PortDialogShowing() const override { return dialog; }
  bool StopTicked() const override { return stop; }
  bool LogPanelVisible() const override { return logPanel; }
  void RestartCycleTimer() override { ++restarts; }
  void ScheduleAfterStatus(int) override { ++scheduled; }
};

struct LinkRig {
  QTemporaryDir dir;
  BarrierModel model;
  LinkState state;
  SimLine line;
  EventLog log{dir.filePath("orvita.log"), dir.filePath("orvita_.log")};
  RecordingView view;
  DeviceLink link{model, state, line, log, view};

  LinkRig() { log.timeText = [] { return QStringLiteral("12:00:00"); }; }

  // Every waiting byte in one notification.
  void Deliver() {
    if (!line.input.empty()) link.CommRxCharSignal(std::int32_t(line.input.size()));
  }
  // Bytes straight from "the line", as one notification.
  void Arrive(std::vector<std::uint8_t> bytes) {
    for (auto b : bytes) line.input.push_back(b);
    link.CommRxCharSignal(std::int32_t(bytes.size()));
  }
  // Runs the pending status continuation, as the 10 ms timer would.
  void RunContinuation() {
    if (view.scheduled > 0) {
      --view.scheduled;
      link.StatusPauseElapsed();
    }
  }
  // One cycle tick and its answer.
  void Tick() {
    link.CycleStep();
    Deliver();
  }
  // The last request's command byte, or -1.
  int LastCommand() const { return line.written.empty() ? -1 : line.written.back()[3]; }
  void Connect() {
    Tick();  // opens, Ask_ver, version reply
    Tick();  // data2
    Tick();  // data
    line.written.clear();
  }
  QStringList LogLines() const { return log.Lines(); }
};
