#include "cli/HeadlessLink.h"

#include <QEventLoop>

#include "link/Frame.h"
#include "serial/PortSettings.h"

std::int32_t HeadlessLink::WatchedLine::write(const std::uint8_t* buffer, std::int32_t count) {
  if (count > std::int32_t(frame::HeaderSize)) sent_(buffer[3]);
  return port_.write(buffer, count);
}

HeadlessLink::HeadlessLink(const QString& deviceName)
    : log(QString(), QString()),
      line_(port,
            [this](std::uint8_t command) {
              if (command != frame::CmdWrite && command != frame::CmdWrite2) return;
              writeSent_ = true;
              writeStepInFlight_ = state.writeStep;
            }),
      link(model, state, line_, log, *this) {
  port.setDeviceName(deviceName);
  applyStartupLine(port, state.dtrOn, state.rtsOn);
  port.onRxChar = [this](QObject*, std::int32_t count) { onBytesReceived(count); };
  port.onDeviceLost = [this](QObject*) {
    link.onDeviceLost();
    afterStep();
  };
  log.onStatusLineChanged = [this](const QString&) { ++statusReplies_; };

  cycle_.setInterval(DeviceLink::CycleIntervalMs);
  cycle_.setTimerType(Qt::PreciseTimer);
  QObject::connect(&cycle_, &QTimer::timeout, [this] { onCycleTimer(); });
  link.addObserver(&outcomes_);
}

void HeadlessLink::stop() {
  stopped_ = true;
  continuation_.stop();
  cycle_.stop();
  afterStep();
}

bool HeadlessLink::writeInFlight() const {
  return writeStepInFlight_ >= 0 && writeStepInFlight_ == state.writeStep && !lost_;
}

bool HeadlessLink::start() {
  cycle_.start();
  link.cycleStep();
  return port.isOpen();
}

void HeadlessLink::onBytesReceived(std::int32_t count) {
  link.onBytesReceived(count);
  afterStep();
}

void HeadlessLink::scheduleAfterStatus(int ms) { continuation_.start(std::chrono::milliseconds(ms)); }

void HeadlessLink::onCycleTimer() {
  link.cycleStep();
  afterStep();
}

void HeadlessLink::onContinuation() {
  link.statusPauseElapsed();
  afterStep();
}

void HeadlessLink::afterStep() {
  if (model.connected())
    wasConnected_ = true;
  else if (wasConnected_)
    lost_ = true;
  if (onProgress_) onProgress_();
}

bool HeadlessLink::runUntil(const std::function<bool()>& done, QDeadlineTimer deadline) {
  if (done()) return true;
  QEventLoop loop;
  onProgress_ = [&] {
    if (done()) loop.quit();
  };
  QTimer limit;
  limit.setSingleShot(true);
  QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
  limit.start(std::chrono::milliseconds(deadline.remainingTime()));
  // For what no reply or tick announces: a signal, a reader gone away.
  QTimer recheck;
  QObject::connect(&recheck, &QTimer::timeout, [&] {
    if (done()) loop.quit();
  });
  recheck.start(100);
  if (!deadline.hasExpired()) loop.exec();
  onProgress_ = nullptr;
  return done();
}

QString HeadlessLink::identification() {
  link.refreshIdentification();
  return identification_;
}
