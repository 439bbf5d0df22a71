#pragma once
// A tone output for tests: records every slot it is asked to play and, unless
// told to keep real time, returns at once. A test can hold the player inside
// a chosen call to act while a pass is in progress.
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <vector>

#include "sound/ToneOutput.h"

struct ToneSlot {
  bool tone = false;  // false: silence
  int hz = 0;         // 0 for a silence
  int ms = 0;
  bool operator==(const ToneSlot&) const = default;
};

class RecordingToneOutput : public ToneOutput {
 public:
  explicit RecordingToneOutput(bool realTime = false) : realTime_(realTime) {}

  void tone(int hz, int ms) override;
  void silence(int ms) override;
  void rest() override;

  std::vector<ToneSlot> slots() const;
  // Waits until the player has rested since the last call; false on time-out.
  bool waitForRest(std::chrono::milliseconds timeout = std::chrono::seconds(20));
  // Waits until at least `count` calls have been recorded; false on time-out.
  bool waitForCalls(std::size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(20));
  // Call number `call` (1-based) is recorded, then does not return until
  // release(). One hold at a time; set it before the player can reach it.
  void holdAt(std::size_t call);
  // Waits until the player is held; false on time-out.
  bool waitUntilHeld(std::chrono::milliseconds timeout = std::chrono::seconds(20));
  // Lets the held call return; `nextHold` (0: none) becomes the next hold in
  // the same step, so the player cannot run past it.
  void release(std::size_t nextHold = 0);

 private:
  void record(ToneSlot slot);

  const bool realTime_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<ToneSlot> slots_;
  std::size_t holdAt_ = 0;
  bool held_ = false;
  unsigned releases_ = 0;
  bool rested_ = false;
};
