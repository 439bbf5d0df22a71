#include "sound/AlsaToneOutput.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <mutex>
#include <thread>
#include <utility>

#include "sound/ToneWave.h"

namespace {
constexpr unsigned LatencyUs = 100000;

// ALSA reports a missing device on stderr on every attempt; a machine without
// sound is a normal place for this program to run, so it stays quiet. Nothing
// else in the program uses ALSA.
void quietAlsaErrors(const char*, int, const char*, int, const char*, ...) {}
}  // namespace

struct AlsaToneOutput::Pcm {
  snd_pcm_t* handle = nullptr;
};

void AlsaToneOutput::PcmCloser::operator()(Pcm* pcm) const {
  if (pcm->handle) {
    // The tail is always the pause after a pass, so draining loses nothing
    // and cuts no tone short.
    snd_pcm_drain(pcm->handle);
    snd_pcm_close(pcm->handle);
  }
  delete pcm;
}

AlsaToneOutput::AlsaToneOutput(std::string device)
    : device_(std::move(device)), silence_(std::size_t(framesForMs(64)), 0) {}

AlsaToneOutput::~AlsaToneOutput() = default;

bool AlsaToneOutput::open() {
  const auto now = std::chrono::steady_clock::now();
  if (now < nextOpen_) return false;
  static std::once_flag quiet;
  std::call_once(quiet, [] { snd_lib_error_set_handler(quietAlsaErrors); });
  snd_pcm_t* handle = nullptr;
  // Opened non-blocking so a busy device cannot hang the beeper, then
  // switched to blocking writes, which pace the slots.
  int rc = snd_pcm_open(&handle, device_.c_str(), SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK);
  if (rc >= 0) {
    rc = snd_pcm_nonblock(handle, 0);
    if (rc >= 0)
      rc = snd_pcm_set_params(handle, SND_PCM_FORMAT_S16, SND_PCM_ACCESS_RW_INTERLEAVED, 1, ToneSampleRate, 1,
                              LatencyUs);
    if (rc < 0) snd_pcm_close(handle);
  }
  if (rc < 0) {
    nextOpen_ = now + std::chrono::milliseconds(RetryOpenAfterMs);
    return false;
  }
  pcm_.reset(new Pcm{handle});
  silentMs_ = 0;
  return true;
}

void AlsaToneOutput::close() { pcm_.reset(); }

bool AlsaToneOutput::write(const std::int16_t* frames, std::size_t count) {
  while (count > 0) {
    snd_pcm_sframes_t n = snd_pcm_writei(pcm_->handle, frames, snd_pcm_uframes_t(count));
    if (n < 0) {
      if (snd_pcm_recover(pcm_->handle, int(n), 1) < 0) return false;
      continue;
    }
    frames += n;
    count -= std::size_t(n);
  }
  return true;
}

void AlsaToneOutput::keepTime(int ms) {
  const auto now = std::chrono::steady_clock::now();
  // Catch up after a stretch on the PCM or a late wake-up rather than rushing.
  if (clock_ < now - std::chrono::milliseconds(100)) clock_ = now;
  clock_ += std::chrono::milliseconds(ms);
  std::this_thread::sleep_until(clock_);
}

void AlsaToneOutput::tone(int hz, int ms) {
  if (ms <= 0) return;
  if (!pcm_ && !open()) {
    keepTime(ms);
    return;
  }
  if (hz != toneHz_ || ms != toneMs_) {
    tone_ = renderTone(hz, ms);
    toneHz_ = hz;
    toneMs_ = ms;
  }
  silentMs_ = 0;
  if (!write(tone_.data(), tone_.size())) {
    close();
    keepTime(ms);
  }
}

void AlsaToneOutput::silence(int ms) {
  if (ms <= 0) return;
  if (!pcm_) {
    keepTime(ms);
    return;
  }
  std::size_t frames = std::size_t(framesForMs(ms));
  while (frames > 0) {
    const std::size_t chunk = std::min(frames, silence_.size());
    if (!write(silence_.data(), chunk)) {
      close();
      keepTime(ms);
      return;
    }
    frames -= chunk;
  }
  silentMs_ += ms;
  if (silentMs_ >= ReleaseAfterSilenceMs) close();
}
