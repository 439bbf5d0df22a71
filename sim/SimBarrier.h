#pragma once
// A simulated barrier: what sits at the far end of the serial line when no
// real barrier is attached. It takes the bytes the program sends, finds
// request frames in them with the same framing rules a barrier uses and
// answers each verified request with one reply frame carrying the request's
// command byte. No timing here: receive() returns reply bytes at once; the
// barrier-sim program paces them at line speed.
//
// Not thread-safe; one owner calls everything.
#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <random>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class SimBarrier {
 public:
  static constexpr std::size_t ConfigSize = 32;
  static constexpr std::size_t VersionSize = 8;
  static constexpr std::size_t StatusSizeShort = 9;  // without diagnostic bytes
  static constexpr std::size_t StatusSizeLong = 17;  // with the 8 diagnostic bytes
  static constexpr std::size_t DefaultDataReplySize = 12;
  static constexpr std::size_t MaxDataReplySize = 17;  // indices 0..16, L = 19
  static constexpr std::size_t DefaultData2ReplySize = 9;
  static constexpr std::size_t MaxData2ReplySize = 16;  // indices 16..31
  // 8 beams, version 1.05, date 2021-07-14.
  static constexpr std::array<std::uint8_t, VersionSize> DefaultVersion{0x06, 0x01, 0x00, 0x05, 0x20, 0x21, 0x07, 0x14};

  // Status payload byte positions.
  enum StatusByte : std::size_t {
    StAlarm = 0,
    StSupply = 1,
    StFlags = 2,
    StAlert = 3,
    St50 = 4,
    StNar = 5,
    StBlocked = 6,
    StBlockMemory = 7,
    StSabotage = 8,
    StDiag = 9,  // 9..16
  };

  // Defaults: 8 beams, DefaultVersion, zeroed configuration except index 31
  // (beam count), status all zero except a healthy supply reading (200,
  // about 12.2 V), 9-byte status, data 12 and data2 9 bytes.
  SimBarrier();

  // Feeds bytes from the program. Returns every reply byte (and injected
  // noise) that these bytes completed, concatenated in order, unpaced. Bytes
  // of an unfinished request are kept for the next call. Every check-verified
  // frame is recorded in requests(), answered or not.
  std::vector<std::uint8_t> receive(std::span<const std::uint8_t> bytes);

  // Forgets the bytes of an unfinished request (the line went away).
  void discardInput() { rx_.clear(); }
  // Bytes kept from earlier receive() calls: an unfinished request.
  std::size_t pendingInput() const { return rx_.size(); }

  // The stored state, freely readable and writable.
  std::array<std::uint8_t, ConfigSize>& config() { return config_; }
  std::array<std::uint8_t, VersionSize>& version() { return version_; }
  // All 17 status payload bytes; a 9-byte status reply sends the first 9.
  std::array<std::uint8_t, StatusSizeLong>& status() { return status_; }

  // 9 or 17; anything else is refused (false, unchanged).
  bool setStatusSize(std::size_t size);
  std::size_t statusSize() const { return statusSize_; }
  // Each status reply then has the other size: 17, 9, 17, ... from the
  // current one on.
  void setStatusSizeAlternating(bool on) { alternateStatus_ = on; }
  bool statusSizeAlternating() const { return alternateStatus_; }
  // 2..8; sets version()[0] = n - 2 and config()[31] = n. Else false, unchanged.
  bool setBeamCount(int n);
  int beamCount() const { return beamCount_; }
  // Data reply payload size 0..17 (from config index 0); false when larger.
  bool setDataReplySize(std::size_t n);
  // Data2 reply payload size 0..16 (from config index 16); false when larger.
  bool setData2ReplySize(std::size_t n);

  // The newest verified request frames (FF FF L cmd payload check), in
  // order: at most MaxKeptRequests, so that a demo left polling for days
  // does not grow. requestCount() counts every one.
  static constexpr std::size_t MaxKeptRequests = 1000;
  const std::deque<std::vector<std::uint8_t>>& requests() const { return requests_; }
  std::uint64_t requestCount() const { return requestCount_; }
  void clearRequests() { requests_.clear(); }

  // A silent barrier neither answers nor acts on requests (a barrier that
  // is switched off); its requests are still recorded.
  void setSilent(bool silent) { silent_ = silent; }
  bool silent() const { return silent_; }

  // --- Live control -------------------------------------------------------
  // Beam n (1..8) on or off in a per-beam status byte (StAlarm, StAlert,
  // St50, StNar, StBlocked, StBlockMemory). False for a bad beam or byte.
  bool setBeam(StatusByte which, int beam, bool on);
  // The diagnostic byte of beam n (1..8): payload byte 9 + 8 - n, as the
  // program's picture reads it (mirrored). On writes 0x01, off 0x00.
  bool setDiag(int beam, bool on);
  // Any status payload byte 0..16; false when out of range.
  bool setStatusByte(std::size_t index, std::uint8_t value);
  bool setStatusBit(std::size_t index, int bit, bool on);
  // Bits of the flag byte (statusflag masks of the model).
  void setFlag(std::uint8_t mask, bool on);
  void setSupply(std::uint8_t raw) { status_[StSupply] = raw; }
  void setRegistration(bool on);
  void setLed(bool on);
  // Beam n (1..8) interrupted as a barrier reports it: its alert and alarm
  // bits, and the alarm output active while any beam is interrupted.
  bool setInterrupted(int beam, bool on);
  // A tamper contact open or closed; the tamper output is active while
  // either contact is open.
  void setTamperContact(bool transmitter, bool open);

  // --- Faults --------------------------------------------------------------
  // Faults pending together act on one reply in this order: drop (nothing
  // else), overlong, bad check byte, cut; noise goes before every reply sent.
  // Each reply is preceded by `bytesPerReply` random noise bytes. Noise never
  // contains 0xFF, so it never looks like a frame start and a reader can
  // always resynchronise on the reply behind it. Seeded, so runs repeat.
  void setNoise(unsigned bytesPerReply, std::uint32_t seed = 1);
  // The next n replies carry a check byte that is one too high.
  void damageCheckBytes(unsigned n) { badCheck_ = n; }
  // The next n replies go out as an overlong frame instead: length byte 0x14
  // (20), the reply's command and payload padded with zeros to 18 bytes, a
  // correct check byte.
  void sendOverlong(unsigned n) { overlong_ = n; }
  // The next n replies are cut short: only the first half (at least 1 byte,
  // rounded down) goes out.
  void cutReplies(unsigned n) { cut_ = n; }
  // The next n replies are not sent at all.
  void dropReplies(unsigned n) { drop_ = n; }
  // The next n replies go out twice, one copy right behind the other.
  void doubleReplies(unsigned n) { double_ = n; }
  // The next reply waits `ms` more (once); applied by whoever paces the
  // output, which takes it with takeLateMs() as that reply goes out.
  void delayNextReply(unsigned ms) { lateMs_ = ms; }
  unsigned takeLateMs() { return std::exchange(lateMs_, 0u); }
  // Extra wait before each reply; applied by whoever paces the output
  // (Receive ignores it).
  void setReplyDelayMs(unsigned ms) { replyDelayMs_ = ms; }
  unsigned replyDelayMs() const { return replyDelayMs_; }
  // Version byte 0 as sent, instead of beamCount() - 2 (a value above 6 is a
  // faulty barrier). nullopt restores the normal byte.
  void setBeamByteOverride(std::optional<std::uint8_t> value) { beamByte_ = value; }

  unsigned pendingBadCheck() const { return badCheck_; }
  unsigned pendingOverlong() const { return overlong_; }
  unsigned pendingCut() const { return cut_; }
  unsigned pendingDrop() const { return drop_; }
  unsigned pendingDouble() const { return double_; }

  // --- Text commands (the barrier-sim program's stdin) ---------------------
  // One command line, e.g. "alert 3 on", "set 2 0x80", "badcheck 2".
  // State and fault commands take effect here; `silent`, `talk`, `hangup`,
  // `swap` and `quit` are reported back for the program to act on (silent
  // and talk also switch setSilent here; `other` is the program's alone).
  // See commandHelp() for the list.
  struct CommandResult {
    enum Kind { Done, Silent, Talk, Hangup, Swap, Quit, Error } kind = Done;
    double seconds = 0;     // Silent/Hangup/Swap: 0 = no time given
    unsigned requests = 0;  // Swap: after this many more requests, answered as usual
    std::string message;    // Error: why
  };
  CommandResult Command(std::string_view line);
  static const char* commandHelp();

 private:
  void handleFrame(std::span<const std::uint8_t> frame, std::vector<std::uint8_t>& out);
  void reply(std::uint8_t command, std::span<const std::uint8_t> payload, std::vector<std::uint8_t>& out);

  std::array<std::uint8_t, ConfigSize> config_{};
  std::array<std::uint8_t, VersionSize> version_ = DefaultVersion;
  std::array<std::uint8_t, StatusSizeLong> status_{};
  std::size_t statusSize_ = StatusSizeShort;
  std::size_t dataReplySize_ = DefaultDataReplySize;
  std::size_t data2ReplySize_ = DefaultData2ReplySize;
  int beamCount_ = 8;
  bool silent_ = false;

  std::vector<std::uint8_t> rx_;
  std::deque<std::vector<std::uint8_t>> requests_;
  std::uint64_t requestCount_ = 0;

  unsigned noisePerReply_ = 0;
  std::minstd_rand noise_{1};
  unsigned badCheck_ = 0, overlong_ = 0, cut_ = 0, drop_ = 0, double_ = 0;
  unsigned replyDelayMs_ = 0, lateMs_ = 0;
  bool alternateStatus_ = false;
  std::optional<std::uint8_t> beamByte_;
};
