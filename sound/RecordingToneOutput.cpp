#include "sound/RecordingToneOutput.h"

#include <thread>

void RecordingToneOutput::tone(int hz, int ms) { record({true, hz, ms}); }

void RecordingToneOutput::silence(int ms) { record({false, 0, ms}); }

void RecordingToneOutput::rest() {
  std::lock_guard lock(mutex_);
  rested_ = true;
  changed_.notify_all();
}

bool RecordingToneOutput::waitForRest(std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  const bool rested = changed_.wait_for(lock, timeout, [this] { return rested_; });
  rested_ = false;
  return rested;
}

void RecordingToneOutput::record(ToneSlot slot) {
  std::unique_lock lock(mutex_);
  slots_.push_back(slot);
  if (holdAt_ != 0 && slots_.size() == holdAt_) {
    held_ = true;
    changed_.notify_all();
    const unsigned releases = releases_;
    changed_.wait(lock, [&] { return releases_ != releases; });
  }
  changed_.notify_all();
  lock.unlock();
  if (realTime_) std::this_thread::sleep_for(std::chrono::milliseconds(slot.ms));
}

std::vector<ToneSlot> RecordingToneOutput::slots() const {
  std::lock_guard lock(mutex_);
  return slots_;
}

bool RecordingToneOutput::waitForCalls(std::size_t count, std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, timeout, [&] { return slots_.size() >= count; });
}

void RecordingToneOutput::holdAt(std::size_t call) {
  std::lock_guard lock(mutex_);
  holdAt_ = call;
}

bool RecordingToneOutput::waitUntilHeld(std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, timeout, [this] { return held_; });
}

void RecordingToneOutput::release(std::size_t nextHold) {
  std::lock_guard lock(mutex_);
  holdAt_ = nextHold;
  held_ = false;
  ++releases_;
  changed_.notify_all();
}
