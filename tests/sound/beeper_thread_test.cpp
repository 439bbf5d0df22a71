// The beeper thread against a recorder that takes no time. Every run is held
// inside chosen calls and stopped while held at a loop's closing pause, so the
// recorded slots are exact whatever the scheduling.
#include "RecordingToneOutput.h"
#include "UnitBeep.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

const ToneSlot S{false, 0, 64};
const ToneSlot T{true, 2800, 64};

std::vector<ToneSlot> Pass(std::uint32_t pattern) {
  RecordingToneOutput out;
  PlayPass(pattern, out);
  return out.Slots();
}

std::vector<ToneSlot> Join(std::initializer_list<std::vector<ToneSlot>> parts) {
  std::vector<ToneSlot> all;
  for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

struct Beeper {
  RecordingToneOutput* out;
  TLCDBip bip;
  Beeper() : Beeper(std::make_unique<RecordingToneOutput>()) {}
  explicit Beeper(std::unique_ptr<RecordingToneOutput> o) : out(o.get()), bip(std::move(o)) {}

  // The thread is (or will be) held at a pause; stop it there.
  void StopWhenHeld() {
    ASSERT_TRUE(out->WaitUntilHeld());
    bip.Terminate();
    out->Release();
    bip.Wait();
  }
};

}  // namespace

TEST(TLCDBip, RepeatsThePatternWithA64msPauseAfterEachPass) {
  Beeper b;
  b.bip.RepeatPattern = true;
  b.bip.SetPattern(0xA800);
  b.out->HoldAt(28);
  b.bip.Start();
  b.StopWhenHeld();
  EXPECT_EQ(b.out->Slots(), Join({Pass(0xA800), {S}, Pass(0xA800), {S}}));
}

TEST(TLCDBip, ANewPatternIsPickedUpAtTheNextPassNotMidPass) {
  Beeper b;
  b.bip.RepeatPattern = true;
  b.bip.SetPattern(0xA800);
  b.out->HoldAt(9);  // the first beep
  b.bip.Start();
  ASSERT_TRUE(b.out->WaitUntilHeld());
  b.bip.SetPattern(0x8000);
  b.out->Release(13 + 1 + 9 + 1);
  b.StopWhenHeld();
  EXPECT_EQ(b.out->Slots(), Join({Pass(0xA800), {S}, Pass(0x8000), {S}}));
}

TEST(TLCDBip, TerminateMidPassFinishesThePassAndThePauseThenStops) {
  Beeper b;
  b.bip.RepeatPattern = true;
  b.bip.SetPattern(0xA800);
  b.out->HoldAt(11);  // the second beep
  b.bip.Start();
  ASSERT_TRUE(b.out->WaitUntilHeld());
  b.bip.Terminate();
  b.out->Release();
  b.bip.Wait();
  EXPECT_EQ(b.out->Slots(), Join({Pass(0xA800), {S}}));
}

TEST(TLCDBip, PatternZeroLetsThePassFinishAndStartsNoOther) {
  const auto pass = Pass(0xAAAA);
  Beeper b;
  b.bip.RepeatPattern = true;
  b.bip.SetPattern(0xAAAA);
  b.out->HoldAt(9);
  b.bip.Start();
  ASSERT_TRUE(b.out->WaitUntilHeld());
  b.bip.SetPattern(0);
  // Another pass would sound its first beep within 9 slots of the pause.
  b.out->Release(pass.size() + 1 + 12);
  b.StopWhenHeld();
  const auto slots = b.out->Slots();
  ASSERT_EQ(slots.size(), pass.size() + 13);
  EXPECT_TRUE(std::equal(pass.begin(), pass.end(), slots.begin()));
  EXPECT_TRUE(std::all_of(slots.begin() + long(pass.size()), slots.end(),
                          [](const ToneSlot& s) { return s == S; }));
}

TEST(TLCDBip, WithoutRepeatAPatternPlaysOnceAndIsCleared) {
  Beeper b;
  b.bip.RepeatPattern = false;
  b.bip.SetPattern(0xA000);
  b.out->HoldAt(Pass(0xA000).size() + 1 + 12);
  b.bip.Start();
  b.StopWhenHeld();
  const auto slots = b.out->Slots();
  EXPECT_EQ(std::count(slots.begin(), slots.end(), T), 2);
  EXPECT_EQ(b.bip.Pattern.load(), 0u);
}

TEST(TLCDBip, WithoutRepeatAPatternSetDuringThePassIsNotLost) {
  Beeper b;
  b.bip.RepeatPattern = false;
  b.bip.SetPattern(0x8000);
  b.out->HoldAt(9);  // the only beep
  b.bip.Start();
  ASSERT_TRUE(b.out->WaitUntilHeld());
  b.bip.SetPattern(0xA000);
  b.out->Release(9 + 1 + Pass(0xA000).size() + 1);
  b.StopWhenHeld();
  EXPECT_EQ(b.out->Slots(), Join({Pass(0x8000), {S}, Pass(0xA000), {S}}));
  EXPECT_EQ(b.bip.Pattern.load(), 0u);
}
