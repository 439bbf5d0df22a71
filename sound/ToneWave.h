#pragma once
// The beep's waveform, computed without any sound device.
#include <cstdint>
#include <span>
#include <vector>

constexpr int ToneSampleRate = 48000;  // frames per second, mono
constexpr int ToneRampMs = 2;          // fade at each tone edge, against clicks
constexpr std::int16_t ToneAmplitude = 12000;

// Frames in `ms` milliseconds: 64 ms at 48 kHz is 3072.
constexpr int framesForMs(int ms, int sampleRate = ToneSampleRate) { return int(std::int64_t(ms) * sampleRate / 1000); }

// Fills `out` with a sine of `hz` starting at phase 0, faded in over the first
// and out over the last `rampFrames` frames (raised cosine), so both ends are 0.
void renderTone(std::span<std::int16_t> out, int hz, int sampleRate = ToneSampleRate,
                int rampFrames = framesForMs(ToneRampMs));
// A tone of `ms` milliseconds at the standard rate and ramps.
std::vector<std::int16_t> renderTone(int hz, int ms);
