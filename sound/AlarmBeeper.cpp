#include "sound/AlarmBeeper.h"

#include <utility>

std::uint32_t beepPattern(std::uint8_t beamsAlert, bool connected) {
  if (!connected) return 0;
  std::uint32_t pattern = 0;
  for (int bit = 0; bit < 8; ++bit) {
    if (beamsAlert & (1u << bit)) pattern = (pattern >> 2) | 0x8000;
  }
  return pattern;
}

void playPass(std::uint32_t pattern, ToneOutput& out) {
  constexpr std::uint32_t first = 1u << 23;
  pattern &= BeepSlotMask;
  while (pattern != 0) {
    if (pattern & first) {
      int run = 0;
      while (pattern & first) {
        ++run;
        pattern = (pattern << 1) & BeepSlotMask;
      }
      out.tone(BeepHz, BeepSlotMs * run);
    } else {
      out.silence(BeepSlotMs);
      pattern = (pattern << 1) & BeepSlotMask;
    }
  }
}

void playPassChime(ToneOutput& out) {
  out.tone(1568, 90);  // G6
  out.silence(30);
  out.tone(2093, 180);  // C7
}

AlarmBeeper::AlarmBeeper(std::unique_ptr<ToneOutput> output) : output_(std::move(output)) {}

AlarmBeeper::~AlarmBeeper() {
  terminate();
  wait();
}

void AlarmBeeper::start() {
  if (thread_.joinable()) return;
  thread_ = std::thread([this] { execute(); });
}

void AlarmBeeper::terminate() {
  terminated_.store(true);
  wakeResting();
}

void AlarmBeeper::wait() {
  if (thread_.joinable()) thread_.join();
}

void AlarmBeeper::setPattern(std::uint32_t value) {
  if (pattern.load() == value) return;
  pattern.store(value);
  wakeResting();
}

void AlarmBeeper::announcePass() {
  chimeWanted_.store(true);
  wakeResting();
}

void AlarmBeeper::wakeResting() {
  wakeCount_.fetch_add(1);
  wakeCount_.notify_one();
}

void AlarmBeeper::execute() {
  for (;;) {
    // Read before the flag and the pattern, so that a change in between ends the rest at once.
    const std::uint32_t wakes = wakeCount_.load();
    if (terminated_.load()) break;
    if (chimeWanted_.exchange(false)) {
      playPassChime(*output_);
      output_->silence(BeepSlotMs);
      continue;
    }
    // The pass works on its own copy: a new pattern waits for the next pass.
    const std::uint32_t current = pattern.load();
    if (current == 0) {
      // The pause after the last pass is over; silent slots until a new
      // pattern would sound no different from this.
      output_->rest();
      wakeCount_.wait(wakes);
      continue;
    }
    playPass(current, *output_);
    // Clear only what was played, so a pattern set during the pass survives.
    if (!repeatPattern.load()) {
      std::uint32_t played = current;
      pattern.compare_exchange_strong(played, 0);
    }
    output_->silence(BeepSlotMs);
  }
}
