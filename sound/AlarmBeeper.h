#pragma once
// The alarm beeper: a background thread that plays a 24-slot on/off pattern
// of 64 ms slots at 2800 Hz, bit 23 first. With nothing to play it sleeps
// until a pattern or the end comes, instead of ticking every 64 ms beside a
// program that polls the barrier all day.
#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>

#include "sound/ToneOutput.h"

constexpr int BeepHz = 2800;
constexpr int BeepSlotMs = 64;
constexpr std::uint32_t BeepSlotMask = 0xFFFFFF;  // 24 slots, bit 23 first

// One 0x8000-headed bit pair per beam in alert, whichever beams they are:
// 1 beam 0x8000, 2 beams 0xA000 ... 8 beams 0xAAAA. Silent (0) when not connected.
std::uint32_t beepPattern(std::uint8_t beamsAlert, bool connected);

// Plays one pass of `pattern` on `out`: a run of set bits becomes one tone of
// 64 ms per bit, a clear bit a 64 ms silence; the pass ends after the lowest
// set bit. Bits above 23 are ignored.
void playPass(std::uint32_t pattern, ToneOutput& out);

// The walk test's "passed": two rising notes, lower and longer than the
// alarm's 2800 Hz slots, so that it is never taken for an alert.
void playPassChime(ToneOutput& out);

class AlarmBeeper {
 public:
  explicit AlarmBeeper(std::unique_ptr<ToneOutput> output);
  // Asks the thread to stop and waits for it: the pass in progress and the
  // following 64 ms pause are finished first.
  ~AlarmBeeper();
  AlarmBeeper(const AlarmBeeper&) = delete;
  AlarmBeeper& operator=(const AlarmBeeper&) = delete;

  // Starts the thread (once; later calls do nothing). The pattern starts at 0
  // when constructed and is not cleared here, so one handed over before Start
  // is played.
  void start();
  // Asks the thread to stop after the current pass and pause; returns at once.
  void terminate();
  // Waits until the thread has stopped; call terminate first.
  void wait();

  // Plays the pass chime once, before the next pass of the pattern (or at
  // once while none sounds). Chimes asked for before it plays merge into one.
  void announcePass();

  // Replaces Pattern when `value` differs from it; taken at the next pass.
  // Set the pattern through here: a silent thread wakes only for this.
  void setPattern(std::uint32_t value);

  std::atomic<std::uint32_t> pattern{0};
  // true: replay the pattern until it is replaced; false: play it once.
  std::atomic<bool> repeatPattern{false};

 private:
  void execute();
  void wakeResting();

  std::unique_ptr<ToneOutput> output_;
  std::atomic<bool> terminated_{false};
  std::atomic<bool> chimeWanted_{false};
  std::atomic<std::uint32_t> wakeCount_{0};  // a resting thread waits for it to change
  std::thread thread_;
};
