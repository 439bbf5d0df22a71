#include "UnitBeep.h"

#include <utility>

std::uint32_t BeepPattern(std::uint8_t beamsAlert, bool connected) {
  if (!connected) return 0;
  std::uint32_t pattern = 0;
  for (int bit = 0; bit < 8; ++bit) {
    if (beamsAlert & (1u << bit)) pattern = (pattern >> 2) | 0x8000;
  }
  return pattern;
}

void PlayPass(std::uint32_t pattern, ToneOutput& out) {
  constexpr std::uint32_t first = 1u << 23;
  pattern &= BeepSlotMask;
  while (pattern != 0) {
    if (pattern & first) {
      int run = 0;
      while (pattern & first) {
        ++run;
        pattern = (pattern << 1) & BeepSlotMask;
      }
      out.Tone(BeepHz, BeepSlotMs * run);
    } else {
      out.Silence(BeepSlotMs);
      pattern = (pattern << 1) & BeepSlotMask;
    }
  }
}

TLCDBip::TLCDBip(std::unique_ptr<ToneOutput> output) : output_(std::move(output)) {}

TLCDBip::~TLCDBip() {
  Terminate();
  Wait();
}

void TLCDBip::Start() {
  if (thread_.joinable()) return;
  thread_ = std::thread([this] { Execute(); });
}

void TLCDBip::Terminate() { terminated_.store(true); }

void TLCDBip::Wait() {
  if (thread_.joinable()) thread_.join();
}

void TLCDBip::SetPattern(std::uint32_t value) {
  if (Pattern.load() != value) Pattern.store(value);
}

void TLCDBip::Execute() {
  while (!terminated_.load()) {
    // The pass works on its own copy: a new pattern waits for the next pass.
    const std::uint32_t pattern = Pattern.load();
    if (pattern != 0) PlayPass(pattern, *output_);
    // Clear only what was played, so a pattern set during the pass survives.
    if (!RepeatPattern.load()) {
      std::uint32_t played = pattern;
      Pattern.compare_exchange_strong(played, 0);
    }
    output_->Silence(BeepSlotMs);
  }
}
