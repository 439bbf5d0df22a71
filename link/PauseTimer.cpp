#include "link/PauseTimer.h"

#include <sys/timerfd.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <algorithm>
#include <cstdint>
#include <utility>

PauseTimer::PauseTimer(std::function<void()> onTimeout)
    : onTimeout_(std::move(onTimeout)), timer_(::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC)) {
  if (!timer_.valid()) return;
  notifier_ = std::make_unique<QSocketNotifier>(timer_.get(), QSocketNotifier::Read);
  QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { expired(); });
}

PauseTimer::~PauseTimer() = default;

void PauseTimer::start(std::chrono::microseconds delay) {
  if (!timer_.valid()) return;
  // it_value of zero would disarm the timer: the shortest wait is a nanosecond.
  const auto ns = std::max<std::int64_t>(std::chrono::nanoseconds(delay).count(), 1);
  itimerspec due{};
  due.it_value.tv_sec = time_t(ns / 1'000'000'000);
  due.it_value.tv_nsec = long(ns % 1'000'000'000);
  ::timerfd_settime(timer_.get(), 0, &due, nullptr);
  active_ = true;
}

void PauseTimer::stop() {
  if (!timer_.valid()) return;
  const itimerspec off{};
  ::timerfd_settime(timer_.get(), 0, &off, nullptr);
  std::uint64_t expirations = 0;
  [[maybe_unused]] const ssize_t n = ::read(timer_.get(), &expirations, sizeof expirations);
  active_ = false;
}

void PauseTimer::expired() {
  std::uint64_t expirations = 0;
  // A timer restarted after it fired and before this ran reads nothing: it is due later.
  if (::read(timer_.get(), &expirations, sizeof expirations) != sizeof expirations) return;
  active_ = false;
  if (onTimeout_) onTimeout_();
}
