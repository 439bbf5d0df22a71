#pragma once
// A device link wired to an in-process simulated barrier and a recording
// window, so the protocol runs without a port, a timer or a widget.
#include <QTemporaryDir>
#include <algorithm>
#include <deque>
#include <span>
#include <vector>

#include "link/DeviceLink.h"
#include "sim/SimBarrier.h"

// Readable failure messages.
inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

// A serial line without a port: what the far end answers to a written
// request waits in the receive queue until a notification reads it.
class QueuedLine : public SerialLine {
 public:
  bool openable = true;
  bool isOpenNow = false;
  int opens = 0;
  std::int32_t rxThreshold = 1;  // as the link last set it
  std::deque<std::uint8_t> input;
  std::vector<std::vector<std::uint8_t>> written;
  std::uint64_t bytesRead = 0;  // ever, so a byte's place in the stream is known

  // The far end's answer to the bytes written to it.
  virtual std::vector<std::uint8_t> answer(std::span<const std::uint8_t> bytes) = 0;

  bool open() override {
    ++opens;
    isOpenNow = openable;
    return isOpenNow;
  }
  void close() override { isOpenNow = false; }
  bool isOpen() const override { return isOpenNow; }
  bool setDtr(bool) override { return false; }
  bool setRts(bool) override { return false; }
  std::int32_t read(std::uint8_t* buffer, std::int32_t count) override {
    if (!isOpenNow) return 0;
    std::int32_t n = 0;
    while (n < count && !input.empty()) {
      buffer[n++] = input.front();
      input.pop_front();
    }
    bytesRead += std::uint64_t(n);
    return n;
  }
  std::int32_t write(const std::uint8_t* buffer, std::int32_t count) override {
    if (!isOpenNow) return 0;
    written.emplace_back(buffer, buffer + count);
    for (std::uint8_t b : answer({buffer, std::size_t(count)})) input.push_back(b);
    return count;
  }
  QString deviceName() const override { return QStringLiteral("ttyUSB0"); }
  void setRxThreshold(std::int32_t bytes) override { rxThreshold = bytes; }
  // Where the bytes queued now end in the line's stream.
  std::uint64_t streamEnd() const { return bytesRead + input.size(); }
};

// A line whose far end is a SimBarrier; deliver() plays the notifications.
class SimLine : public QueuedLine {
 public:
  SimBarrier sim;
  std::vector<std::uint8_t> answer(std::span<const std::uint8_t> bytes) override { return sim.receive(bytes); }
};

class RecordingView : public LinkView {
 public:
  int refreshes = 0, draws = 0, beeps = 0, restarts = 0;
  int scheduled = 0;        // continuations asked for and not yet run
  int scheduledDelay = -1;  // the delay the last one was asked for with
  QString notice;
  int noticesSaid = 0;  // the notices ever shown, also those taken away since
  QString identText, portStatus, statusLabel;
  Rgb identColour = 0, identBackground = 0;
  int gaugeProgress = -1;
  Rgb gaugeForeground = 0, gaugeBackground = 0;
  bool readEnabled = true, sendEnabled = true, resetEnabled = true;
  bool dialog = false, stop = false, logPanel = false;
  int setAsideOffers = 0;  // the notices ever shown with the offer to take set-aside edits back

  void refreshEditors() override { ++refreshes; }
  void drawBarrier() override { ++draws; }
  void setBeep() override { ++beeps; }
  void setButtonEnabled(ToolButton button, bool enabled) override {
    (button == ToolButton::Read ? readEnabled : button == ToolButton::Send ? sendEnabled : resetEnabled) = enabled;
  }
  void setIdentification(const QString& text, Rgb colour, Rgb background) override {
    identText = text;
    identColour = colour;
    identBackground = background;
  }
  void setPortStatus(const QString& text) override { portStatus = text; }
  void setGauge(int progress, Rgb foreground, Rgb background) override {
    gaugeProgress = progress;
    gaugeForeground = foreground;
    gaugeBackground = background;
  }
  void setStatusLabel(const QString& text) override { statusLabel = text; }
  bool portDialogShowing() const override { return dialog; }
  bool stopTicked() const override { return stop; }
  bool logPanelVisible() const override { return logPanel; }
  void restartCycleTimer() override { ++restarts; }
  void scheduleAfterStatus(int ms) override {
    ++scheduled;
    scheduledDelay = ms;
  }
  void showNotice(const QString& text) override {
    notice = text;
    if (!text.isEmpty()) ++noticesSaid;
  }
  void offerSetAsideEdits() override { ++setAsideOffers; }
};

struct LinkRig {
  QTemporaryDir dir;
  BarrierModel model;
  LinkState state;
  SimLine line;
  EventLog log{dir.filePath("orvita.log"), dir.filePath("orvita_.log")};
  RecordingView view;
  DeviceLink link{model, state, line, log, view};

  LinkRig() {
    log.timeText = [] { return QStringLiteral("12:00:00"); };
  }

  // Every waiting byte in one notification.
  void deliver() {
    if (!line.input.empty()) link.onBytesReceived(std::int32_t(line.input.size()));
  }
  // Bytes straight from "the line", as one notification.
  void arrive(std::vector<std::uint8_t> bytes) {
    for (auto b : bytes) line.input.push_back(b);
    link.onBytesReceived(std::int32_t(bytes.size()));
  }
  // The next piece of what is waiting, handed over as the serial port does:
  // as many bytes as the link asked for, or fewer once no more are coming.
  void deliverPiece() {
    const std::size_t n = std::min(line.input.size(), std::size_t(std::max(line.rxThreshold, 1)));
    if (n > 0) link.onBytesReceived(std::int32_t(n));
  }
  void deliverInPieces() {
    while (!line.input.empty()) deliverPiece();
  }
  // Runs the pending status continuation, as the 10 ms timer would.
  void runContinuation() {
    if (view.scheduled > 0) {
      --view.scheduled;
      link.statusPauseElapsed();
    }
  }
  // One cycle tick and its answer. While a barrier is identified a tick
  // means the chain broke: it asks the version first.
  void tick() {
    link.cycleStep();
    deliver();
  }
  // The next request of the chain, which every answered reply asks for, and its answer.
  void next() {
    runContinuation();
    deliver();
  }
  // The last request's command byte, or -1.
  int LastCommand() const { return line.written.empty() ? -1 : line.written.back()[3]; }
  // Opens, identifies and reads; the continuation after the read is pending.
  void connect() {
    tick();                                                    // opens, askVersion, version reply
    while (state.readStep != 0 && view.scheduled > 0) next();  // data2, data
    line.written.clear();
  }
  QStringList logLines() const { return log.lines(); }
};
