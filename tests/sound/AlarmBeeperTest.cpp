#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "sound/AlarmBeeper.h"
#include "sound/AlsaToneOutput.h"
#include "sound/RecordingToneOutput.h"
#include "sound/ToneWave.h"

namespace {

const ToneSlot S{false, 0, 64};
ToneSlot T(int slots) { return {true, 2800, 64 * slots}; }

std::vector<ToneSlot> pass(std::uint32_t pattern) {
  RecordingToneOutput out;
  playPass(pattern, out);
  return out.slots();
}

}  // namespace

TEST(BeepPattern, OneBitPairPerAlertedBeamWhateverTheBeams) {
  const std::uint32_t expected[] = {0, 0x8000, 0xA000, 0xA800, 0xAA00, 0xAA80, 0xAAA0, 0xAAA8, 0xAAAA};
  std::uint8_t beams = 0;
  for (int n = 0; n <= 8; ++n) {
    EXPECT_EQ(beepPattern(beams, true), expected[n]) << n << " beams";
    beams = std::uint8_t((beams << 1) | 1);
  }
  EXPECT_EQ(beepPattern(0x81, true), 0xA000u);  // beams 1 and 8 count as two
  EXPECT_EQ(beepPattern(0x14, true), 0xA000u);
}

TEST(BeepPattern, IsSilentWithoutConnection) {
  EXPECT_EQ(beepPattern(0xFF, false), 0u);
  EXPECT_EQ(beepPattern(0x01, false), 0u);
}

TEST(PlayPass, ThreeBeamsPlayEightSilencesThenThreeBeepsWithPauses) {
  std::vector<ToneSlot> expected(8, S);
  expected.insert(expected.end(), {T(1), S, T(1), S, T(1)});
  EXPECT_EQ(pass(0xA800), expected);
}

TEST(PlayPass, ARunOfSetBitsIsOneLongerTone) {
  // 0xE60000: three set, two clear, two set, then only clear bits.
  EXPECT_EQ(pass(0xE60000), (std::vector<ToneSlot>{T(3), S, S, T(2)}));
  EXPECT_EQ(pass(0xFFFFFF), (std::vector<ToneSlot>{T(24)}));
}

TEST(PlayPass, EndsAfterTheLowestSetBitAndPlaysNothingForZero) {
  std::vector<ToneSlot> expected(23, S);
  expected.push_back(T(1));
  EXPECT_EQ(pass(0x000001), expected);
  EXPECT_TRUE(pass(0).empty());
  EXPECT_TRUE(pass(0xFF000000).empty());  // only bits 23..0 are slots
}

TEST(ToneWave, ASlotIs3072FramesAt48kHz) {
  EXPECT_EQ(framesForMs(64), 3072);
  EXPECT_EQ(renderTone(2800, 64).size(), 3072u);
  EXPECT_EQ(renderTone(2800, 192).size(), 3u * 3072u);
}

TEST(ToneWave, PitchFromZeroCrossingsIsWithinOnePercentOf2800Hz) {
  const auto wave = renderTone(2800, 64);
  // Count sign changes between successive non-zero samples.
  int crossings = 0, previous = 0;
  std::size_t first = 0, last = 0;
  for (std::size_t i = 0; i < wave.size(); ++i) {
    const int sign = (wave[i] > 0) - (wave[i] < 0);
    if (sign == 0) continue;
    if (previous != 0 && sign != previous) {
      if (crossings == 0) first = i;
      last = i;
      ++crossings;
    }
    previous = sign;
  }
  ASSERT_GT(crossings, 100);
  const double hz = (crossings - 1) / 2.0 * ToneSampleRate / double(last - first);
  EXPECT_NEAR(hz, 2800.0, 28.0);
}

TEST(ToneWave, RampsStartAndEndNearZeroAndTheMiddleIsLoud) {
  const auto wave = renderTone(2800, 64);
  const int ramp = framesForMs(ToneRampMs);
  auto peak = [&](std::size_t from, std::size_t to) {
    int m = 0;
    for (std::size_t i = from; i < to; ++i) m = std::max(m, std::abs(int(wave[i])));
    return m;
  };
  EXPECT_LT(peak(0, 4), 300);
  EXPECT_LT(peak(wave.size() - 4, wave.size()), 300);
  EXPECT_LT(peak(0, ramp / 4), ToneAmplitude / 4);  // still rising
  const int middle = peak(wave.size() / 2 - 100, wave.size() / 2 + 100);
  EXPECT_GT(middle, ToneAmplitude * 95 / 100);
  EXPECT_LE(middle, int(ToneAmplitude));
}

TEST(AlsaToneOutput, WithoutADeviceItStaysClosedAndStillReturns) {
  AlsaToneOutput out("orvita_no_such_pcm");
  out.tone(2800, 64);
  out.silence(64);
  EXPECT_FALSE(out.isOpen());
}
