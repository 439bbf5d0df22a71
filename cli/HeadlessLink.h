#pragma once
// The device link without a window: the program's model, link state, port
// and request cycle on QCoreApplication's event loop, with a LinkView that
// shows nothing. Main thread only.
#include <QDeadlineTimer>
#include <QString>
#include <QTimer>
#include <functional>

#include "eventlog/EventLog.h"
#include "link/DeviceLink.h"
#include "link/LinkState.h"
#include "link/LinkView.h"
#include "link/PauseTimer.h"
#include "model/BarrierModel.h"
#include "serial/SerialPort.h"

class HeadlessLink : public LinkView {
  // The port as the link sees it, noting the write blocks that go out.
  class WatchedLine : public SerialLine {
   public:
    WatchedLine(SerialPort& port, std::function<void(std::uint8_t command)> sent)
        : port_(port), sent_(std::move(sent)) {}
    bool open() override { return port_.open(); }
    void close() override { port_.close(); }
    bool isOpen() const override { return port_.isOpen(); }
    bool setDtr(bool on) override { return port_.setDtr(on); }
    bool setRts(bool on) override { return port_.setRts(on); }
    std::int32_t read(std::uint8_t* buffer, std::int32_t count) override { return port_.read(buffer, count); }
    std::int32_t write(const std::uint8_t* buffer, std::int32_t count) override;
    QString deviceName() const override { return port_.deviceName(); }
    void setRxThreshold(std::int32_t bytes) override { port_.setRxThreshold(bytes); }

   private:
    SerialPort& port_;
    std::function<void(std::uint8_t)> sent_;
  };

 public:
  // `deviceName` as the port takes it: a kernel name or an absolute path.
  // The line is the one every run of the program starts with.
  explicit HeadlessLink(const QString& deviceName);
  HeadlessLink(const HeadlessLink&) = delete;
  HeadlessLink& operator=(const HeadlessLink&) = delete;

  // The program's first tick at once (opens the port, asks for the
  // version), then the 1000 ms cycle. False when the port did not open.
  bool start();

  // Runs the event loop until `done` holds or `deadline` passes; true when
  // `done` held. `done` is asked after every reply and every cycle step, and
  // at least every 100 ms.
  bool runUntil(const std::function<bool()>& done, QDeadlineTimer deadline);

  // The barrier was connected and is no more: it fell silent, or the port's
  // device went away. Stays set until forgetLoss().
  bool lost() const { return lost_; }
  void forgetLoss() { lost_ = false; }
  // Sends nothing more; replies to what was sent are still taken in.
  void stop();
  // A write block was sent and the barrier has not confirmed it yet.
  bool writeInFlight() const;
  // Whether any write block was sent since the start.
  bool writeSent() const { return writeSent_; }
  int statusReplies() const { return statusReplies_; }
  // The identification bar's text as the program shows it, renewed now.
  QString identification();
  // The notice the window would show now (a write the link dropped); empty when none.
  const QString& notice() const { return notice_; }
  // Another barrier answered in place of the one the pending work was for:
  // the link's one line on it, naming both; empty when none did.
  const QString& replacedNotice() const { return outcomes_.replaced; }
  // The barrier confirmed a block-memory reset.
  bool resetConfirmed() const { return outcomes_.resetDone; }

  BarrierModel model;
  LinkState state;
  EventLog log;
  SerialPort port;

 private:
  WatchedLine line_;

 public:
  DeviceLink link;

  // LinkView
  void refreshEditors() override {}
  void drawBarrier() override {}
  void setBeep() override {}
  void setButtonEnabled(ToolButton, bool) override {}
  void setIdentification(const QString& text, Rgb, Rgb) override { identification_ = text; }
  void setPortStatus(const QString&) override {}
  void setGauge(int, Rgb, Rgb) override {}
  void showNotice(const QString& text) override { notice_ = text; }
  void setStatusLabel(const QString&) override {}
  bool portDialogShowing() const override { return false; }
  bool stopTicked() const override { return stopped_; }
  bool logPanelVisible() const override { return false; }
  void restartCycleTimer() override { cycle_.start(); }
  void scheduleAfterStatus(int ms) override;

 private:
  // What the link tells of the work's outcome.
  struct Outcomes : LinkObserver {
    QString replaced;
    bool resetDone = false;
    void barrierReplaced(const BarrierIdentity&, const BarrierIdentity&, const QString& notice) override {
      replaced = notice;
    }
    void resetConfirmed() override { resetDone = true; }
  };

  void onBytesReceived(std::int32_t count);
  void onCycleTimer();
  void onContinuation();
  void afterStep();

  QTimer cycle_;
  // Runs 10 ms after an answered reply: the next request. Exact to the
  // microsecond, as the window's pause is.
  PauseTimer continuation_{[this] { onContinuation(); }};
  Outcomes outcomes_;
  bool wasConnected_ = false;
  bool stopped_ = false;
  bool writeSent_ = false;
  // writeStep when the last write block went out; -1 when none awaits its confirmation.
  int writeStepInFlight_ = -1;
  bool lost_ = false;
  int statusReplies_ = 0;
  QString identification_;
  QString notice_;
  std::function<void()> onProgress_;
};
