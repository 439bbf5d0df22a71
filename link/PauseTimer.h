#pragma once
// A single-shot timer exact to the microsecond, for the pause between a
// status reply and the next request. Qt's own timers wake the (glib) event
// loop in whole milliseconds rounded up, so a 10 ms pause took 10 to 11 ms;
// this one is a timerfd the event loop watches, readable at the instant due.
// Main thread only.
#include <chrono>
#include <functional>
#include <memory>

#include "util/UniqueFd.h"

class QSocketNotifier;

class PauseTimer {
 public:
  explicit PauseTimer(std::function<void()> onTimeout);
  ~PauseTimer();
  PauseTimer(const PauseTimer&) = delete;
  PauseTimer& operator=(const PauseTimer&) = delete;

  // Calls onTimeout once, `delay` from now; a pending call is replaced.
  void start(std::chrono::microseconds delay);
  void stop();
  bool isActive() const { return active_; }

 private:
  void expired();

  std::function<void()> onTimeout_;
  UniqueFd timer_;
  std::unique_ptr<QSocketNotifier> notifier_;
  bool active_ = false;
};
