#pragma once
// The traffic monitor's record: every frame and event on the line as a row
// in a ring of the newest rows, the counts and answer times of its summary,
// and the copy written beside the log files. Main thread only.
#include <QDateTime>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>

#include "link/TrafficObserver.h"
#include "monitor/TrafficRing.h"
#include "monitor/TrafficRow.h"
#include "util/OutputFile.h"

class TrafficRecorder : public TrafficObserver {
 public:
  static constexpr std::size_t DefaultCapacity = 100000;
  static constexpr std::size_t AnswersKept = 1000;     // for the median and the 95th percentile
  static constexpr int PollWindowMs = 5000;            // polls a second are counted over this
  static constexpr std::size_t MaxRowsCounted = 5000;  // more than the fastest line sends in that time

  explicit TrafficRecorder(std::size_t capacity = DefaultCapacity);

  // TrafficObserver
  void requestSent(std::span<const std::uint8_t> frame, Clock::time_point at) override;
  void replyReceived(std::span<const std::uint8_t> frame, Clock::time_point firstByte,
                     Clock::time_point lastByte) override;
  void frameDamaged(Damage damage, std::span<const std::uint8_t> bytes, std::uint8_t expectedCheck,
                    Clock::time_point at) override;
  void bytesDiscarded(std::span<const std::uint8_t> bytes, Clock::time_point at) override;
  void portOpened(const QString& deviceName, Clock::time_point at) override;
  void portClosed(Clock::time_point at) override;

  // Told again after a time unobserved: a request from before then is not
  // counted as left without a reply.
  void resume() { outstanding_.waiting = false; }

  const TrafficRing<TrafficRow>& rows() const { return rows_; }
  // The local time of a steady-clock time stamp, at the offset from UTC
  // last taken by followLocalOffset (a time zone look-up per row would cost
  // more than the row).
  QDateTime wallTime(std::int64_t atNs) const;
  // Milliseconds since local midnight of a time stamp.
  int localMsOfDay(std::int64_t atNs) const;
  // Takes the local offset from UTC anew (a summer time change).
  void followLocalOffset();
  static std::int64_t nanoseconds(Clock::time_point at) { return at.time_since_epoch().count(); }

  // The beam count rows are worded with, as the program knows it.
  std::function<int()> beamCount;
  // The line's speed and the bits of one character (start, data, parity, stop).
  void setLine(std::uint32_t bitsPerSecond, int bitsPerCharacter);

  struct Summary {
    double pollsPerSecond = 0;
    double lineLimit = 0;  // status polls a second the line allows at its speed
    std::uint32_t bitsPerSecond = 0;
    std::uint64_t missing = 0;  // requests without a reply
    std::uint64_t damaged = 0;  // frames thrown out
    // The barrier's answer times over the newest replies: from the request's
    // last byte to the reply's first on the line, as worked out from when
    // the program wrote the one and had the other whole, at the line's speed.
    std::optional<double> answerMedianMs, answer95Ms;
    // The USB adapter's latency timer, where it has one.
    std::optional<int> adapterLatencyMs;
  };
  Summary summary(Clock::time_point now) const;

  // Appends the rows recorded since the last call to `file` (UTF-8, one row
  // a line), as the log files are written (appendToOwnFile); with `enabled`
  // false it only moves past them, so that ticking "log" copies from then on.
  OutputResult appendToLog(bool enabled, const QString& file);

 private:
  void add(TrafficRow row);

  TrafficRing<TrafficRow> rows_;
  Clock::time_point steadyAnchor_;
  std::int64_t utcAnchorMs_ = 0;  // the wall clock at steadyAnchor_
  int localOffsetSeconds_ = 0;
  std::int64_t utcMs(std::int64_t atNs) const;
  struct Outstanding {
    bool waiting = false;
    std::int16_t command = -1;
    std::int64_t atNs = 0;
    std::size_t size = 0;
  } outstanding_;
  std::uint64_t missing_ = 0, damaged_ = 0;
  std::array<std::int64_t, AnswersKept> answers_{};
  std::size_t answerCount_ = 0;  // ever; the newest are kept
  std::size_t lastStatusSize_ = 12;
  std::uint32_t bitsPerSecond_ = 9600;
  int bitsPerCharacter_ = 10;
  std::uint64_t loggedUpTo_ = 0;
};
