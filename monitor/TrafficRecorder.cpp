#include "monitor/TrafficRecorder.h"

#include <QTextStream>
#include <algorithm>
#include <vector>

#include "link/Frame.h"
#include "monitor/TrafficText.h"

namespace {
constexpr std::size_t StatusRequestSize = 5;
}

TrafficRecorder::TrafficRecorder(std::size_t capacity)
    : rows_(capacity), steadyAnchor_(Clock::now()), utcAnchorMs_(QDateTime::currentMSecsSinceEpoch()) {
  followLocalOffset();
}

void TrafficRecorder::followLocalOffset() { localOffsetSeconds_ = QDateTime::currentDateTime().offsetFromUtc(); }

std::int64_t TrafficRecorder::utcMs(std::int64_t atNs) const {
  const std::int64_t sinceAnchorNs = atNs - nanoseconds(steadyAnchor_);
  // Rounded down to the millisecond, before the anchor too.
  return utcAnchorMs_ + (sinceAnchorNs >= 0 ? sinceAnchorNs / 1000000 : -((-sinceAnchorNs + 999999) / 1000000));
}

QDateTime TrafficRecorder::wallTime(std::int64_t atNs) const {
  return QDateTime::fromMSecsSinceEpoch(utcMs(atNs), Qt::OffsetFromUTC, localOffsetSeconds_);
}

int TrafficRecorder::localMsOfDay(std::int64_t atNs) const {
  constexpr std::int64_t DayMs = 24 * 3600 * 1000;
  const std::int64_t local = utcMs(atNs) + std::int64_t(localOffsetSeconds_) * 1000;
  return int(((local % DayMs) + DayMs) % DayMs);
}

void TrafficRecorder::setLine(std::uint32_t bitsPerSecond, int bitsPerCharacter) {
  bitsPerSecond_ = bitsPerSecond;
  bitsPerCharacter_ = bitsPerCharacter;
}

void TrafficRecorder::add(TrafficRow row) {
  row.beamCount = std::uint8_t(beamCount ? std::clamp(beamCount(), 0, 255) : 0);
  rows_.push(std::move(row));
}

void TrafficRecorder::requestSent(std::span<const std::uint8_t> frame, Clock::time_point at) {
  const std::int64_t atNs = nanoseconds(at);
  if (outstanding_.waiting) {
    TrafficRow missing;
    missing.kind = TrafficRow::Kind::NoReply;
    missing.command = outstanding_.command;
    missing.atNs = atNs;
    ++missing_;
    add(std::move(missing));
  }
  TrafficRow row;
  row.kind = TrafficRow::Kind::Request;
  row.command = frame.size() > 3 ? frame[3] : -1;
  row.atNs = atNs;
  row.bytes.assign(frame.begin(), frame.end());
  outstanding_ = {true, row.command, atNs, frame.size()};
  add(std::move(row));
}

void TrafficRecorder::replyReceived(std::span<const std::uint8_t> frame, Clock::time_point firstByte,
                                    Clock::time_point lastByte) {
  TrafficRow row;
  row.kind = TrafficRow::Kind::Reply;
  row.command = frame[3];
  row.atNs = nanoseconds(firstByte);
  row.bytes.assign(frame.begin(), frame.end());
  if (outstanding_.waiting && outstanding_.command == row.command) {
    // The line may hand a reply over only once it is whole, so its first
    // byte's time is the last one's less the time the line took for the rest;
    // and the request's last byte left its own line time after the write.
    const std::int64_t charNs = std::int64_t(bitsPerCharacter_) * 1000000000 / std::max(1u, bitsPerSecond_);
    const std::int64_t wireNs = std::int64_t(outstanding_.size + frame.size() - 1) * charNs;
    row.answerNs = std::max<std::int64_t>(0, nanoseconds(lastByte) - outstanding_.atNs - wireNs);
    answers_[answerCount_ % AnswersKept] = row.answerNs;
    ++answerCount_;
    outstanding_.waiting = false;
  }
  if (row.command == frame::CmdStatus) lastStatusSize_ = frame.size();
  add(std::move(row));
}

void TrafficRecorder::frameDamaged(Damage damage, std::span<const std::uint8_t> bytes, std::uint8_t expectedCheck,
                                   Clock::time_point at) {
  TrafficRow row;
  row.kind = damage == Damage::TooLong ? TrafficRow::Kind::TooLong
             : damage == Damage::Cut   ? TrafficRow::Kind::Cut
                                       : TrafficRow::Kind::BadCheck;
  row.command = bytes.size() > 3 && damage != Damage::TooLong ? bytes[3] : -1;
  row.expectedCheck = expectedCheck;
  row.atNs = nanoseconds(at);
  row.bytes.assign(bytes.begin(), bytes.end());
  ++damaged_;
  add(std::move(row));
}

void TrafficRecorder::bytesDiscarded(std::span<const std::uint8_t> bytes, Clock::time_point at) {
  TrafficRow row;
  row.kind = TrafficRow::Kind::Discarded;
  row.atNs = nanoseconds(at);
  row.bytes.assign(bytes.begin(), bytes.end());
  add(std::move(row));
}

void TrafficRecorder::portOpened(const QString& deviceName, Clock::time_point at) {
  TrafficRow row;
  row.kind = TrafficRow::Kind::PortOpened;
  row.atNs = nanoseconds(at);
  row.device = deviceName;
  add(std::move(row));
}

void TrafficRecorder::portClosed(Clock::time_point at) {
  // A request cut off by the closing is not the barrier's failure.
  outstanding_.waiting = false;
  TrafficRow row;
  row.kind = TrafficRow::Kind::PortClosed;
  row.atNs = nanoseconds(at);
  add(std::move(row));
}

TrafficRecorder::Summary TrafficRecorder::summary(Clock::time_point now) const {
  Summary s;
  s.bitsPerSecond = bitsPerSecond_;
  s.missing = missing_;
  s.damaged = damaged_;
  const double pollSeconds =
      double((StatusRequestSize + lastStatusSize_) * std::size_t(bitsPerCharacter_)) / std::max(1u, bitsPerSecond_);
  s.lineLimit = 1.0 / (pollSeconds + 0.010);  // the program's pause between a reply and the next request

  const std::int64_t nowNs = nanoseconds(now);
  const std::int64_t windowNs =
      std::min<std::int64_t>(std::int64_t(PollWindowMs) * 1000000, nowNs - nanoseconds(steadyAnchor_));
  int polls = 0;
  // Rows stamped out of order (a reply by its first byte) end the count a
  // little early at worst; the bound keeps a burst from costing more.
  const std::uint64_t oldest = rows_.end() - std::min<std::uint64_t>(rows_.size(), MaxRowsCounted);
  for (std::uint64_t seq = rows_.end(); seq > oldest;) {
    const TrafficRow& row = rows_.at(--seq);
    if (row.atNs < nowNs - windowNs) break;
    if (row.kind == TrafficRow::Kind::Reply && row.command == frame::CmdStatus) ++polls;
  }
  if (windowNs > 0) s.pollsPerSecond = polls / (double(windowNs) / 1e9);

  const std::size_t kept = std::min(answerCount_, AnswersKept);
  if (kept > 0) {
    std::vector<std::int64_t> v(answers_.begin(), answers_.begin() + std::ptrdiff_t(kept));
    const auto pick = [&v](double q) {
      const std::size_t i = std::min(v.size() - 1, std::size_t(q * double(v.size())));
      std::nth_element(v.begin(), v.begin() + std::ptrdiff_t(i), v.end());
      return double(v[i]) / 1e6;
    };
    s.answerMedianMs = pick(0.5);
    s.answer95Ms = pick(0.95);
  }
  return s;
}

OutputResult TrafficRecorder::appendToLog(bool enabled, const QString& file) {
  const std::uint64_t from = std::max(loggedUpTo_, rows_.first());
  loggedUpTo_ = rows_.end();
  if (!enabled || from == rows_.end()) return {};
  QString text;
  for (std::uint64_t seq = from; seq < rows_.end(); ++seq)
    text += rowLine(*this, rows_.at(seq), seq > rows_.first() ? rows_.at(seq - 1).atNs : -1) + QLatin1Char('\n');
  return appendToOwnFile(file, text.toUtf8(), true);
}
