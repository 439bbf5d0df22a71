#pragma once
// The beep on ALSA's "default" PCM: a generated sine, 48 kHz mono S16, each
// 64 ms slot exactly 3072 frames. The PCM is opened when a tone first sounds
// and released after a few seconds of silence, or at once when the beeper
// rests. While it is open, blocking
// writes set the pace; without a sound device the output stays silent and
// keeps time with a steady clock. Used from one thread only.
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sound/ToneOutput.h"

class AlsaToneOutput : public ToneOutput {
 public:
  static constexpr int ReleaseAfterSilenceMs = 3000;
  static constexpr int RetryOpenAfterMs = 10000;

  explicit AlsaToneOutput(std::string device = "default");
  ~AlsaToneOutput() override;

  void tone(int hz, int ms) override;
  void silence(int ms) override;
  void rest() override { close(); }

  bool isOpen() const { return pcm_ != nullptr; }

 private:
  struct Pcm;
  struct PcmCloser {
    void operator()(Pcm* pcm) const;
  };

  bool open();
  void close();
  // Writes the frames, recovering from underruns; false when the PCM failed.
  bool write(const std::int16_t* frames, std::size_t count);
  void keepTime(int ms);

  std::string device_;
  std::unique_ptr<Pcm, PcmCloser> pcm_;
  int silentMs_ = 0;
  std::chrono::steady_clock::time_point nextOpen_{};
  std::chrono::steady_clock::time_point clock_{};
  std::vector<std::int16_t> tone_;  // the last tone rendered
  int toneHz_ = 0;
  int toneMs_ = 0;
  std::vector<std::int16_t> silence_;
};
