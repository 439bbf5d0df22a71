// The beeper thread against a recorder that takes no time. Every run is held
// inside chosen calls and stopped while held at a loop's closing pause, so the
// recorded slots are exact whatever the scheduling.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "sound/AlarmBeeper.h"
#include "sound/RecordingToneOutput.h"

namespace {

const ToneSlot S{false, 0, 64};

std::vector<ToneSlot> pass(std::uint32_t pattern) {
  RecordingToneOutput out;
  playPass(pattern, out);
  return out.slots();
}

std::vector<ToneSlot> join(std::initializer_list<std::vector<ToneSlot>> parts) {
  std::vector<ToneSlot> all;
  for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

struct Beeper {
  RecordingToneOutput* out;
  AlarmBeeper bip;
  Beeper() : Beeper(std::make_unique<RecordingToneOutput>()) {}
  explicit Beeper(std::unique_ptr<RecordingToneOutput> o) : out(o.get()), bip(std::move(o)) {}

  // The thread is (or will be) held at a pause; stop it there.
  void stopWhenHeld() {
    ASSERT_TRUE(out->waitUntilHeld());
    bip.terminate();
    out->release();
    bip.wait();
  }
};

}  // namespace

TEST(AlarmBeeper, RepeatsThePatternWithA64msPauseAfterEachPass) {
  Beeper b;
  b.bip.repeatPattern = true;
  b.bip.setPattern(0xA800);
  b.out->holdAt(28);
  b.bip.start();
  b.stopWhenHeld();
  EXPECT_EQ(b.out->slots(), join({pass(0xA800), {S}, pass(0xA800), {S}}));
}

TEST(AlarmBeeper, ANewPatternIsPickedUpAtTheNextPassNotMidPass) {
  Beeper b;
  b.bip.repeatPattern = true;
  b.bip.setPattern(0xA800);
  b.out->holdAt(9);  // the first beep
  b.bip.start();
  ASSERT_TRUE(b.out->waitUntilHeld());
  b.bip.setPattern(0x8000);
  b.out->release(13 + 1 + 9 + 1);
  b.stopWhenHeld();
  EXPECT_EQ(b.out->slots(), join({pass(0xA800), {S}, pass(0x8000), {S}}));
}

TEST(AlarmBeeper, TerminateMidPassFinishesThePassAndThePauseThenStops) {
  Beeper b;
  b.bip.repeatPattern = true;
  b.bip.setPattern(0xA800);
  b.out->holdAt(11);  // the second beep
  b.bip.start();
  ASSERT_TRUE(b.out->waitUntilHeld());
  b.bip.terminate();
  b.out->release();
  b.bip.wait();
  EXPECT_EQ(b.out->slots(), join({pass(0xA800), {S}}));
}

TEST(AlarmBeeper, PatternZeroLetsThePassFinishThenRestsUntilANewPattern) {
  Beeper b;
  b.bip.repeatPattern = true;
  b.bip.setPattern(0xAAAA);
  b.out->holdAt(9);
  b.bip.start();
  ASSERT_TRUE(b.out->waitUntilHeld());
  b.bip.setPattern(0);
  // The recorder takes no time: a thread that went on instead of resting
  // would have recorded another pass by the time the rest is seen.
  b.out->release();
  ASSERT_TRUE(b.out->waitForRest());
  EXPECT_EQ(b.out->slots(), join({pass(0xAAAA), {S}}));

  // A resting thread wakes for a new pattern and starts its pass at once.
  b.out->holdAt(b.out->slots().size() + pass(0x8000).size() + 1);
  b.bip.setPattern(0x8000);
  b.stopWhenHeld();
  EXPECT_EQ(b.out->slots(), join({pass(0xAAAA), {S}, pass(0x8000), {S}}));
}

TEST(AlarmBeeper, TerminateEndsARestingThread) {
  Beeper b;
  b.bip.start();
  ASSERT_TRUE(b.out->waitForRest());
  b.bip.terminate();
  b.bip.wait();
  EXPECT_TRUE(b.out->slots().empty());
}

TEST(AlarmBeeper, WithoutRepeatAPatternPlaysOnceAndIsCleared) {
  Beeper b;
  b.bip.repeatPattern = false;
  b.bip.setPattern(0xA000);
  b.bip.start();
  ASSERT_TRUE(b.out->waitForRest());
  b.bip.terminate();
  b.bip.wait();
  EXPECT_EQ(b.out->slots(), join({pass(0xA000), {S}}));
  EXPECT_EQ(b.bip.pattern.load(), 0u);
}

TEST(AlarmBeeper, WithoutRepeatAPatternSetDuringThePassIsNotLost) {
  Beeper b;
  b.bip.repeatPattern = false;
  b.bip.setPattern(0x8000);
  b.out->holdAt(9);  // the only beep
  b.bip.start();
  ASSERT_TRUE(b.out->waitUntilHeld());
  b.bip.setPattern(0xA000);
  b.out->release(9 + 1 + pass(0xA000).size() + 1);
  b.stopWhenHeld();
  EXPECT_EQ(b.out->slots(), join({pass(0x8000), {S}, pass(0xA000), {S}}));
  EXPECT_EQ(b.bip.pattern.load(), 0u);
}

TEST(AlarmBeeper, APassChimeSoundsBetweenPassesAndWakesARestingThread) {
  RecordingToneOutput chimeAlone;
  playPassChime(chimeAlone);
  const std::vector<ToneSlot> chime = chimeAlone.slots();
  for (const ToneSlot& slot : chime) EXPECT_NE(slot.hz, BeepHz) << "a pass must not sound like an alert";

  Beeper b;
  b.bip.start();
  ASSERT_TRUE(b.out->waitForRest());
  b.bip.announcePass();
  ASSERT_TRUE(b.out->waitForRest());
  EXPECT_EQ(b.out->slots(), join({chime, {S}}));

  // Announced during an alert's pass: it waits for the pass to end.
  b.bip.repeatPattern = true;
  b.out->holdAt(chime.size() + 1 + 9);  // the alert's beep
  b.bip.setPattern(0x8000);
  ASSERT_TRUE(b.out->waitUntilHeld());
  b.bip.announcePass();
  b.out->release(chime.size() + 1 + pass(0x8000).size() + 1 + chime.size() + 1 + pass(0x8000).size() + 1);
  b.stopWhenHeld();
  EXPECT_EQ(b.out->slots(), join({chime, {S}, pass(0x8000), {S}, chime, {S}, pass(0x8000), {S}}));
}
