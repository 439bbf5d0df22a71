#include "ui/TimelineData.h"

#include <algorithm>
#include <cmath>

namespace timeline {

bool flagSet(FlagLane lane, std::uint8_t statusFlags) {
  switch (lane) {
    case FlagLane::AlarmOutput:
      return statusFlags & statusflag::AlarmOutput;
    case FlagLane::TamperOutput:
      return statusFlags & statusflag::TamperOutput;
    case FlagLane::TamperContacts:
      return statusFlags & (statusflag::ReceiverTamper | statusflag::TransmitterTamper);
    case FlagLane::LowSupply:
      return statusFlags & statusflag::LowSupply;
    case FlagLane::Registration:
      return statusFlags & statusflag::Registration;
  }
  return false;
}

LaneWord laneWord(const BarrierStatus& status, std::uint8_t switchedOff, int beams) {
  LaneWord word = 0;
  const BeamBits bits{status.beamsNar, status.beams50, status.beamsAlert, status.beamsBlocked, switchedOff};
  for (int beam = 1; beam <= std::min(beams, MaxBeams); ++beam) word |= laneBeamBit(beam, beamLook(bits, beam));
  for (int lane = 0; lane < FlagLaneCount; ++lane)
    word |= flagBit(FlagLane(lane), flagSet(FlagLane(lane), status.statusFlags));
  if (status.statusFlags & statusflag::TamperOutput) {
    if (status.statusFlags & statusflag::TransmitterTamper) word |= tamperCauseBit(TamperCause::TransmitterContact);
    if (status.statusFlags & statusflag::ReceiverTamper) word |= tamperCauseBit(TamperCause::ReceiverContact);
    if (status.statusFlags & statusflag::BusTamper) word |= tamperCauseBit(TamperCause::Bus);
    if (status.sabotageFlags & 0x01) word |= tamperCauseBit(TamperCause::CoveredTooLong);
  }
  return word;
}

std::optional<BeamLook> mostSignificantLook(LaneWord word, int beam) {
  for (BeamLook look :
       {BeamLook::Alert, BeamLook::Blocked, BeamLook::Half, BeamLook::Nar, BeamLook::Normal, BeamLook::SwitchedOff})
    if (word & laneBeamBit(beam, look)) return look;
  return std::nullopt;
}

namespace {
qint64 notBefore(qint64 ms, const std::vector<qint64>& times) {
  return times.empty() ? ms : std::max(ms, times.back());
}
}  // namespace

void TimelineData::push(qint64 ms, const Change& change) {
  ms = notBefore(ms, times_);
  LaneWord word = DisconnectedBit;
  if (change.kind == Moment::Kind::Connected)
    word = 0;
  else if (change.kind == Moment::Kind::Status)
    word = laneWord(change.status, change.switchedOff, change.beams);

  const bool alarmNow =
      change.kind == Moment::Kind::Status && flagSet(FlagLane::AlarmOutput, change.status.statusFlags);
  if (alarmNow && !alarmActive_) alarms_.push_back({ms, ms});
  if (alarmActive_) alarms_.back().endMs = ms;
  alarmActive_ = alarmNow;

  times_.push_back(ms);
  changes_.push_back(change);
  words_.append(word);
  extendTo(ms);
}

void TimelineData::addConnected(qint64 ms, int beamCount) {
  if (beamCount >= 1) {
    connectionBeams_ = std::min(beamCount, MaxBeams);
    beams_ = beamsKnown_ ? std::max(beams_, connectionBeams_) : connectionBeams_;
    beamsKnown_ = true;
  }
  Change change;
  change.kind = Moment::Kind::Connected;
  change.beams = std::uint8_t(connectionBeams_);
  push(ms, change);
}

void TimelineData::addDisconnected(qint64 ms) {
  if (!changes_.empty() && changes_.back().kind == Moment::Kind::Disconnected) return;
  Change change;
  change.kind = Moment::Kind::Disconnected;
  push(ms, change);
  supplyTimes_.push_back(notBefore(times_.back(), supplyTimes_));
  supply_.append(SupplyRange{});
}

void TimelineData::addStatus(qint64 ms, const BarrierStatus& status) {
  Change change;
  change.kind = Moment::Kind::Status;
  change.status = status;
  change.switchedOff = switchedOff_;
  change.beams = std::uint8_t(connectionBeams_);
  push(ms, change);
}

void TimelineData::addConfiguration(qint64 ms, const BarrierConfig& config) {
  std::uint8_t off = 0;
  for (int beam = 1; beam <= MaxBeams; ++beam)
    if (config[BarrierConfig::responseTime(beam)] == 0) off |= beamBit(beam);
  if (off == switchedOff_) return;
  switchedOff_ = off;
  // The beams change colour at once, without waiting for a status change.
  if (!changes_.empty() && changes_.back().kind == Moment::Kind::Status) addStatus(ms, changes_.back().status);
}

void TimelineData::addSupply(qint64 ms, double volts) {
  ms = notBefore(ms, supplyTimes_);
  supplyTimes_.push_back(ms);
  supply_.append(SupplyRange{float(volts), float(volts)});
  extendTo(ms);
}

void TimelineData::addMarker(qint64 ms, Marker::Kind kind, const QString& text) {
  if (!markers_.empty()) ms = std::max(ms, markers_.back().ms);
  markers_.push_back({ms, kind, text});
  extendTo(ms);
}

std::span<const Marker> TimelineData::markersBetween(qint64 fromMs, qint64 toMs) const {
  const auto before = [](const Marker& m, qint64 ms) { return m.ms < ms; };
  const auto begin = std::lower_bound(markers_.begin(), markers_.end(), fromMs, before);
  const auto end = std::lower_bound(begin, markers_.end(), std::max(toMs, fromMs), before);
  return {markers_.data() + (begin - markers_.begin()), std::size_t(end - begin)};
}

void TimelineData::extendTo(qint64 ms) {
  endMs_ = std::max(endMs_, ms);
  if (alarmActive_) alarms_.back().endMs = endMs_;
}

void TimelineData::clear() { *this = TimelineData(); }

Moment TimelineData::momentAt(qint64 ms) const {
  Moment moment;
  moment.beams = beams_;
  const auto after = std::upper_bound(times_.begin(), times_.end(), ms);
  if (after == times_.begin() || ms >= endMs_ + 1) return moment;
  const std::size_t index = std::size_t(after - times_.begin()) - 1;
  const Change& change = changes_[index];
  moment.kind = change.kind;
  // Changes the lanes do not show (the raw supply) neither begin nor end it;
  // a state of a great many of them is told as far as a bounded look goes.
  constexpr std::size_t MaxLooked = 100'000;
  std::size_t first = index;
  while (first > 0 && index - first < MaxLooked && words_[first - 1] == words_[index]) --first;
  std::size_t next = index + 1;
  while (next < times_.size() && next - index < MaxLooked && words_[next] == words_[index]) ++next;
  moment.sinceMs = times_[first];
  moment.untilMs = next < times_.size() ? times_[next] : endMs_;
  moment.status = change.status;
  moment.switchedOff = change.switchedOff;
  moment.beams = change.beams;
  const auto supplyAfter = std::upper_bound(supplyTimes_.begin(), supplyTimes_.end(), ms);
  if (supplyAfter != supplyTimes_.begin()) {
    const SupplyRange reading = supply_[std::size_t(supplyAfter - supplyTimes_.begin()) - 1];
    if (!reading.empty()) moment.supplyVolts = reading.low;
  }
  return moment;
}

namespace {

int significance(const BarrierStatus& s) {
  int score = 0;
  if (s.statusFlags & statusflag::AlarmOutput) score += 64;
  if (s.beamsAlert) score += 32;
  if (s.statusFlags & (statusflag::TamperOutput | statusflag::ReceiverTamper | statusflag::TransmitterTamper))
    score += 16;
  if (s.beamsBlocked) score += 8;
  if (s.beams50) score += 4;
  if (s.beamsNar) score += 2;
  if (s.statusFlags & (statusflag::LowSupply | statusflag::Registration)) score += 1;
  return score;
}

}  // namespace

Moment TimelineData::mostSignificantMoment(qint64 fromMs, qint64 toMs) const {
  const auto begin = std::lower_bound(times_.begin(), times_.end(), fromMs);
  const auto end = std::lower_bound(begin, times_.end(), std::max(toMs, fromMs));
  qint64 best = fromMs;
  int bestScore = -1;
  if (begin == end) return momentAt(fromMs);
  if (const Moment before = momentAt(fromMs); before.kind == Moment::Kind::Status)
    bestScore = significance(before.status);
  // A column of a zoomed-out day may hold a great many changes; the first
  // ones of a flapping beam tell as much as all of them.
  constexpr std::ptrdiff_t MaxLooked = 100'000;
  const auto last = end - begin > MaxLooked ? begin + MaxLooked : end;
  for (auto it = begin; it != last; ++it) {
    const Change& change = changes_[std::size_t(it - times_.begin())];
    if (change.kind != Moment::Kind::Status) continue;
    if (const int score = significance(change.status); score > bestScore) {
      bestScore = score;
      best = *it;
    }
  }
  return momentAt(best);
}

std::size_t TimelineData::changesBetween(qint64 fromMs, qint64 toMs) const {
  const auto begin = std::lower_bound(times_.begin(), times_.end(), fromMs);
  return std::size_t(std::lower_bound(begin, times_.end(), std::max(toMs, fromMs)) - begin);
}

// Changes at fromMs belong to the span; so does the one in effect just before.
LaneWord TimelineData::lanesBetween(qint64 fromMs, qint64 toMs) const {
  toMs = std::min(toMs, endMs_ + 1);
  if (toMs <= fromMs) return 0;
  const auto begin = std::upper_bound(times_.begin(), times_.end(), fromMs);
  const auto end = std::lower_bound(begin, times_.end(), toMs);
  LaneWord word = 0;
  std::size_t first = std::size_t(begin - times_.begin());
  if (first == 0)
    word = DisconnectedBit;  // not seen yet
  else
    --first;
  return word | words_.summary(first, std::size_t(end - times_.begin()));
}

SupplyRange TimelineData::supplyBetween(qint64 fromMs, qint64 toMs) const {
  toMs = std::min(toMs, endMs_ + 1);
  if (toMs <= fromMs || supplyTimes_.empty()) return {};
  const auto begin = std::upper_bound(supplyTimes_.begin(), supplyTimes_.end(), fromMs);
  const auto end = std::lower_bound(begin, supplyTimes_.end(), toMs);
  std::size_t first = std::size_t(begin - supplyTimes_.begin());
  if (first > 0) --first;
  return supply_.summary(first, std::size_t(end - supplyTimes_.begin()));
}

std::vector<Column> summariseColumns(const TimelineData& data, qint64 startMs, double msPerColumn, int width) {
  std::vector<Column> columns(std::size_t(std::max(width, 0)));
  const auto edge = [&](int column) { return startMs + qint64(std::floor(column * msPerColumn)); };
  for (int x = 0; x < width; ++x) {
    const qint64 from = edge(x);
    const qint64 to = std::max(edge(x + 1), from + 1);
    columns[std::size_t(x)] = {data.lanesBetween(from, to), data.supplyBetween(from, to)};
  }
  return columns;
}

}  // namespace timeline
