#pragma once
// One row of the traffic monitor: a frame or an event on the line.
#include <QString>
#include <cstdint>
#include <vector>

struct TrafficRow {
  enum class Kind : std::uint8_t {
    Request,   // sent to the barrier
    Reply,     // accepted from the barrier
    BadCheck,  // damaged frames, as the parser threw them out
    TooLong,
    Cut,
    Discarded,  // bytes skipped to find a frame start
    NoReply,    // the request before the next one got no reply
    PortOpened,
    PortClosed,
  };
  // A reply that answers no request waiting for it.
  enum class Note : std::uint8_t {
    None,
    Doubled,  // a second copy of the reply before it
    Late,     // it came after the program had given its request up
  };
  Kind kind = Kind::Request;
  Note note = Note::None;
  std::int16_t command = -1;       // the frame's command byte; -1 where there is none
  std::uint8_t beamCount = 0;      // as the program knew it then
  std::uint8_t expectedCheck = 0;  // BadCheck, Cut: what the bytes add up to
  std::int64_t atNs = 0;           // steady clock: the write, or the first byte seen
  std::int64_t answerNs = -1;      // Reply: the barrier's answer time (TrafficRecorder::Summary);
                                   // a late one's time from its own request
  std::vector<std::uint8_t> bytes;
  QString device;  // PortOpened

  bool isError() const { return (kind >= Kind::BadCheck && kind <= Kind::NoReply) || note != Note::None; }
  bool isDamaged() const { return kind >= Kind::BadCheck && kind <= Kind::Cut; }
  bool fromBarrier() const { return kind == Kind::Reply || (isDamaged() || kind == Kind::Discarded); }
};
