#include "monitor/TrafficRecorder.h"

#include <QTextStream>
#include <algorithm>
#include <vector>

#include "link/Frame.h"
#include "monitor/TrafficText.h"

namespace {
constexpr std::size_t StatusRequestSize = 5;
constexpr std::size_t AskedKept = 16;
constexpr std::int64_t SettleDiscardedNs = 300'000'000;
// Longer than the program waits for a reply before it asks again.
constexpr std::int64_t SettleTentativeNs = 3'000'000'000;
}  // namespace

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
  takeDiscarded();  // skipped bytes came before whatever is told after them
  place(std::move(row));
}

void TrafficRecorder::place(TrafficRow row) {
  row.beamCount = std::uint8_t(beamCount ? std::clamp(beamCount(), 0, 255) : 0);
  if (tentative_)
    held_.push_back(std::move(row));
  else
    rows_.push(std::move(row));
}

void TrafficRecorder::takeDiscarded() {
  if (!discarded_) return;
  TrafficRow row = std::move(*discarded_);
  discarded_.reset();
  place(std::move(row));
}

void TrafficRecorder::release() {
  for (TrafficRow& row : held_) rows_.push(std::move(row));
  held_.clear();
}

void TrafficRecorder::resume() {
  if (tentative_) confirmTentative();
  takeDiscarded();
  asked_.clear();
  lastReply_.clear();
}

void TrafficRecorder::settle(Clock::time_point now) {
  const std::int64_t nowNs = nanoseconds(now);
  if (discarded_ && nowNs - lastDiscardedNs_ > SettleDiscardedNs) takeDiscarded();
  if (tentative_ && nowNs - tentative_->lastNs > SettleTentativeNs) confirmTentative();
}

std::int64_t TrafficRecorder::characterNs() const {
  return std::int64_t(bitsPerCharacter_) * 1000000000 / std::max(1u, bitsPerSecond_);
}

// The line may hand a reply over only once it is whole, so its first byte's
// time is the last one's less the time the line took for the rest; and the
// request's last byte left its own line time after the write.
std::int64_t TrafficRecorder::answerTime(const Asked& asked, std::int64_t lastNs, std::size_t replySize) const {
  return lastNs - asked.atNs - std::int64_t(asked.size + replySize - 1) * characterNs();
}

TrafficRecorder::Asked* TrafficRecorder::findAsked(std::uint64_t id) {
  for (Asked& asked : asked_)
    if (asked.id == id) return &asked;
  return nullptr;
}

// The newest request of the command that the reply could answer: one written
// before the reply had time to cross the line cannot be it. Where none could
// (a line without pacing, as a pseudo-terminal), the newest of the command.
TrafficRecorder::Asked* TrafficRecorder::askedAnsweredBy(int command, std::int64_t lastNs, std::size_t replySize) {
  Asked* newest = nullptr;
  for (auto it = asked_.rbegin(); it != asked_.rend(); ++it) {
    if (it->command != command) continue;
    if (answerTime(*it, lastNs, replySize) >= -characterNs()) return &*it;
    if (!newest) newest = &*it;
  }
  return newest;
}

void TrafficRecorder::takeAnswerTime(std::int64_t ns) {
  answers_[answerCount_ % AnswersKept] = ns;
  ++answerCount_;
}

void TrafficRecorder::forgetBefore(std::uint64_t askedId) {
  while (!asked_.empty() && asked_.front().id < askedId) asked_.pop_front();
}

void TrafficRecorder::requestSent(std::span<const std::uint8_t> frame, Clock::time_point at) {
  const std::int64_t atNs = nanoseconds(at);
  if (!asked_.empty() && asked_.back().state == Asked::State::Waiting) {
    // A newer request had its chance: the held reply answered its own.
    if (tentative_) confirmTentative();
    asked_.back().state = Asked::State::GivenUp;
    TrafficRow missing;
    missing.kind = TrafficRow::Kind::NoReply;
    missing.command = asked_.back().command;
    missing.atNs = atNs;
    ++missing_;
    add(std::move(missing));
  }
  TrafficRow row;
  row.kind = TrafficRow::Kind::Request;
  row.command = frame.size() > 3 ? frame[3] : -1;
  row.atNs = atNs;
  row.bytes.assign(frame.begin(), frame.end());
  if (asked_.size() >= AskedKept) {
    if (tentative_ && tentative_->askedId == asked_.front().id) confirmTentative();
    asked_.pop_front();
  }
  asked_.push_back({nextAskedId_++, row.command, atNs, frame.size(), Asked::State::Waiting});
  add(std::move(row));
}

void TrafficRecorder::replyReceived(std::span<const std::uint8_t> frame, Clock::time_point firstByte,
                                    Clock::time_point lastByte) {
  TrafficRow row;
  row.kind = TrafficRow::Kind::Reply;
  row.command = frame[3];
  row.atNs = nanoseconds(firstByte);
  row.bytes.assign(frame.begin(), frame.end());
  const std::int64_t lastNs = nanoseconds(lastByte);
  if (row.command == frame::CmdStatus) lastStatusSize_ = frame.size();
  takeDiscarded();

  Asked* asked = askedAnsweredBy(row.command, lastNs, frame.size());
  if (asked && tentative_ && tentative_->askedId == asked->id) {
    // A second reply for the request the held one was taken to answer.
    const std::uint64_t id = asked->id;
    tentativeWasLate();
    asked = findAsked(id);
  }
  if (!asked || asked->state == Asked::State::Answered) {
    if (row.bytes == lastReply_) {
      row.note = TrafficRow::Note::Doubled;
      ++doubled_;
    }
  } else {
    answer(row, *asked, lastNs);
  }
  lastReply_ = row.bytes;
  add(std::move(row));
}

void TrafficRecorder::answer(TrafficRow& row, Asked& asked, std::int64_t lastNs) {
  row.answerNs = std::max<std::int64_t>(0, answerTime(asked, lastNs, row.bytes.size()));
  if (asked.state == Asked::State::GivenUp) {
    row.note = TrafficRow::Note::Late;
    ++late_;
    --missing_;
    asked.state = Asked::State::Answered;
    return;
  }
  asked.state = Asked::State::Answered;
  const std::uint64_t id = asked.id;
  // An answer to a newer request: the held one answered its own.
  if (tentative_) confirmTentative();
  const bool olderGivenUp = std::any_of(asked_.begin(), asked_.end(), [&](const Asked& a) {
    return a.id < id && a.command == row.command && a.state == Asked::State::GivenUp;
  });
  if (olderGivenUp) {
    tentative_ = Tentative{id, lastNs};  // this row is the first held
  } else {
    takeAnswerTime(row.answerNs);
    forgetBefore(id);
  }
}

void TrafficRecorder::confirmTentative() {
  const Tentative tentative = *tentative_;
  tentative_.reset();
  takeAnswerTime(held_.front().answerNs);
  forgetBefore(tentative.askedId);
  release();
}

void TrafficRecorder::tentativeWasLate() {
  const Tentative tentative = *tentative_;
  tentative_.reset();
  TrafficRow& held = held_.front();
  // Its request waits again for the reply that came now.
  if (Asked* own = findAsked(tentative.askedId)) own->state = Asked::State::Waiting;
  for (Asked& older : asked_)
    if (older.id < tentative.askedId && older.command == held.command && older.state == Asked::State::GivenUp) {
      held.note = TrafficRow::Note::Late;
      held.answerNs = std::max<std::int64_t>(0, answerTime(older, tentative.lastNs, held.bytes.size()));
      older.state = Asked::State::Answered;
      ++late_;
      --missing_;
      break;
    }
  release();
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
  // It was the reply to the newest request written before it came, which so
  // got its reply, if a damaged one: none later is its late reply, nor an
  // older request's (the barrier answers in order).
  for (auto it = asked_.rbegin(); it != asked_.rend(); ++it) {
    if (it->atNs > row.atNs || (row.command >= 0 && it->command != row.command)) continue;
    if (it->state == Asked::State::GivenUp) --missing_;
    it->state = Asked::State::Answered;
    const std::uint64_t id = it->id;
    if (tentative_ && tentative_->askedId < id) confirmTentative();
    if (!tentative_) forgetBefore(id);
    break;
  }
  add(std::move(row));
}

void TrafficRecorder::bytesDiscarded(std::span<const std::uint8_t> bytes, Clock::time_point at) {
  if (!discarded_) {
    discarded_.emplace();
    discarded_->kind = TrafficRow::Kind::Discarded;
    discarded_->atNs = nanoseconds(at);
  }
  discarded_->bytes.insert(discarded_->bytes.end(), bytes.begin(), bytes.end());
  lastDiscardedNs_ = nanoseconds(at);
}

void TrafficRecorder::portOpened(const QString& deviceName, Clock::time_point at) {
  resume();
  TrafficRow row;
  row.kind = TrafficRow::Kind::PortOpened;
  row.atNs = nanoseconds(at);
  row.device = deviceName;
  add(std::move(row));
}

void TrafficRecorder::portClosed(Clock::time_point at) {
  // A request cut off by the closing is not the barrier's failure.
  resume();
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
  s.late = late_;
  s.doubled = doubled_;
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
