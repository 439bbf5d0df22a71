#pragma once
// The traffic monitor's record: every frame and event on the line as a row
// in a ring of the newest rows, the counts and answer times of its summary,
// and the copy written beside the log files. Main thread only.
#include <QDateTime>
#include <QString>
#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

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
  // counted as left without a reply, nor a reply then as late or doubled.
  void resume();
  // Rows are held back while what they are is not known yet: skipped bytes
  // until something else comes (one row however many notifications brought
  // them), and a reply that may still turn out to be a late one until the
  // next reply tells. This lets out what waited long enough for neither.
  void settle(Clock::time_point now);

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
    std::uint64_t late = 0;     // replies that came after their request was given up
    std::uint64_t doubled = 0;  // second copies of a reply
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
  // A request not yet known to be answered; the barrier answers in order, so
  // none older than the newest answered one is kept.
  struct Asked {
    std::uint64_t id = 0;
    std::int16_t command = -1;
    std::int64_t atNs = 0;
    std::size_t size = 0;
    enum class State : std::uint8_t { Waiting, GivenUp, Answered } state = State::Waiting;
  };
  // A reply taken to answer a waiting request while an older request of its
  // command was given up: a second reply shows it was that one's, late.
  struct Tentative {
    std::uint64_t askedId = 0;
    std::int64_t lastNs = 0;  // its last byte
  };

  void add(TrafficRow row);
  void place(TrafficRow row);
  void takeDiscarded();
  void release();
  std::int64_t characterNs() const;
  std::int64_t answerTime(const Asked& asked, std::int64_t lastNs, std::size_t replySize) const;
  Asked* findAsked(std::uint64_t id);
  Asked* askedAnsweredBy(int command, std::int64_t lastNs, std::size_t replySize);
  void answer(TrafficRow& row, Asked& asked, std::int64_t lastNs);
  void confirmTentative();
  void tentativeWasLate();
  void forgetBefore(std::uint64_t askedId);
  void takeAnswerTime(std::int64_t ns);

  TrafficRing<TrafficRow> rows_;
  Clock::time_point steadyAnchor_;
  std::int64_t utcAnchorMs_ = 0;  // the wall clock at steadyAnchor_
  int localOffsetSeconds_ = 0;
  std::int64_t utcMs(std::int64_t atNs) const;
  std::deque<Asked> asked_;
  std::uint64_t nextAskedId_ = 1;
  std::optional<Tentative> tentative_;
  std::vector<TrafficRow> held_;         // from the tentative reply on, in order
  std::optional<TrafficRow> discarded_;  // skipped bytes not yet followed by anything else
  std::int64_t lastDiscardedNs_ = 0;
  std::vector<std::uint8_t> lastReply_;
  std::uint64_t missing_ = 0, damaged_ = 0, late_ = 0, doubled_ = 0;
  std::array<std::int64_t, AnswersKept> answers_{};
  std::size_t answerCount_ = 0;  // ever; the newest are kept
  std::size_t lastStatusSize_ = 12;
  std::uint32_t bitsPerSecond_ = 9600;
  int bitsPerCharacter_ = 10;
  std::uint64_t loggedUpTo_ = 0;
};
