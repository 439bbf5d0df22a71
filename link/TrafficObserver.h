#pragma once
// What passes on the line, frame by frame, for a traffic monitor: every
// request written, every reply the parser accepted, every frame it threw out,
// the bytes it skipped to find a frame start, and the port opening and
// closing. Told on the main thread from inside the receive path and the
// request cycle, so an observer only records and returns.
//
// Times are on the steady clock, taken where the program meets the line: a
// request when it is handed to the port, a received byte when the read that
// brought it returned (later than the wire by the adapter's and the event
// thread's delays), a damaged frame or skipped bytes by when their first
// byte came in, though told only when the parser throws them out (which may
// be a reply later).
#include <QString>
#include <chrono>
#include <cstdint>
#include <span>

class TrafficObserver {
 public:
  using Clock = std::chrono::steady_clock;
  enum class Damage {
    BadCheck,  // the check byte does not match ("Bad CRC")
    TooLong,   // a length byte above the largest frame
    Cut,       // a wrong check byte where the frame holds the start of the next: it was cut short
  };

  virtual ~TrafficObserver() = default;

  virtual void requestSent(std::span<const std::uint8_t> frame, Clock::time_point at) = 0;
  // A reply the parser accepted, with the times its first and last bytes came in.
  virtual void replyReceived(std::span<const std::uint8_t> frame, Clock::time_point firstByte,
                             Clock::time_point lastByte) = 0;
  // `bytes`: the frame as its length byte claims it (for TooLong: what the
  // buffer held); `expectedCheck` is the check byte its bytes add up to.
  virtual void frameDamaged(Damage damage, std::span<const std::uint8_t> bytes, std::uint8_t expectedCheck,
                            Clock::time_point at) = 0;
  // Bytes removed while looking for a frame start (never the rest of a frame
  // told as damaged), or dropped on a full buffer.
  virtual void bytesDiscarded(std::span<const std::uint8_t> bytes, Clock::time_point at) = 0;
  virtual void portOpened(const QString& deviceName, Clock::time_point at) = 0;
  virtual void portClosed(Clock::time_point at) = 0;
};
