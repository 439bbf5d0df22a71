#include "net/ReconnectPolicy.h"

#include <algorithm>

void ReconnectPolicy::dropped(Clock::time_point now) {
  if (open_ && now - connectedAt_ >= LongestDelay) delay_ = {};
  backOff(now);
}

void ReconnectPolicy::attemptFailed(Clock::time_point now) { backOff(now); }

void ReconnectPolicy::connected(Clock::time_point now) {
  open_ = true;
  connectedAt_ = now;
}

void ReconnectPolicy::reset() { *this = ReconnectPolicy(); }

void ReconnectPolicy::backOff(Clock::time_point now) {
  open_ = false;
  delay_ = delay_.count() == 0 ? FirstDelay : std::min(delay_ * 2, std::chrono::milliseconds(LongestDelay));
  nextAttempt_ = now + delay_;
}
