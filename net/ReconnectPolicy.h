#pragma once
// When a network line tries again. A dropped connection is an unplugged
// adapter: the first attempt follows 1 s after the drop, and while attempts
// keep failing the wait doubles up to 5 s. A connection that drops again
// within 5 s of being made (a device server that takes the client and lets go
// at once, "in use") counts as one more failure, not as a fresh start.
// Time comes in as a parameter; nothing here reads a clock.
#include <chrono>

class ReconnectPolicy {
 public:
  using Clock = std::chrono::steady_clock;
  static constexpr std::chrono::milliseconds FirstDelay{1000};
  static constexpr std::chrono::milliseconds LongestDelay{5000};

  // A connection that was open went away at `now`.
  void dropped(Clock::time_point now);
  // An attempt to connect failed at `now`.
  void attemptFailed(Clock::time_point now);
  // A connection was made at `now`.
  void connected(Clock::time_point now);
  // The user closed the line: the next opening starts at once.
  void reset();

  // When the next attempt is due; Clock::time_point{} (long past) after reset().
  Clock::time_point nextAttempt() const { return nextAttempt_; }
  // The wait before that attempt; zero after reset().
  std::chrono::milliseconds delay() const { return delay_; }

 private:
  // The next wait: FirstDelay after a fresh start, else twice the last, at most LongestDelay.
  void backOff(Clock::time_point now);

  std::chrono::milliseconds delay_{0};
  Clock::time_point nextAttempt_{};
  Clock::time_point connectedAt_{};
  bool open_ = false;
};
