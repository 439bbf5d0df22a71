#include <gtest/gtest.h>

#include "net/ReconnectPolicy.h"

namespace {

using namespace std::chrono_literals;
using Clock = ReconnectPolicy::Clock;

}  // namespace

TEST(ReconnectPolicy, ADropIsTriedAgainAfterASecondThenLessOftenUpToEverySecondFive) {
  ReconnectPolicy policy;
  const Clock::time_point start{100s};
  policy.connected(start);
  policy.dropped(start + 60s);
  EXPECT_EQ(policy.nextAttempt(), start + 61s);
  std::vector<std::chrono::milliseconds> waits;
  Clock::time_point now = start + 61s;
  for (int attempt = 0; attempt < 4; ++attempt) {
    policy.attemptFailed(now);
    waits.push_back(policy.delay());
    EXPECT_EQ(policy.nextAttempt(), now + policy.delay());
    now = policy.nextAttempt();
  }
  EXPECT_EQ(waits, (std::vector<std::chrono::milliseconds>{2s, 4s, 5s, 5s}));

  // A connection that lasts starts the count afresh at its next drop.
  policy.connected(now);
  policy.dropped(now + 5s);
  EXPECT_EQ(policy.delay(), 1s);
}

TEST(ReconnectPolicy, AConnectionDroppedAtOnceKeepsBackingOffAndCloseStartsAfresh) {
  ReconnectPolicy policy;
  Clock::time_point now{10s};
  std::vector<std::chrono::milliseconds> waits;
  for (int attempt = 0; attempt < 4; ++attempt) {
    policy.connected(now);
    policy.dropped(now + 100ms);  // "in use": taken and let go
    waits.push_back(policy.delay());
    now = policy.nextAttempt();
  }
  EXPECT_EQ(waits, (std::vector<std::chrono::milliseconds>{1s, 2s, 4s, 5s}));
  policy.reset();
  EXPECT_EQ(policy.delay(), 0ms);
  EXPECT_EQ(policy.nextAttempt(), Clock::time_point{});
  policy.attemptFailed(now);
  EXPECT_EQ(policy.delay(), 1s);
}
