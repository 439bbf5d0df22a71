#pragma once
// One barrier's journal as the timeline draws it: every change of what its
// lanes show and every supply reading, in time order, with summaries over
// blocks of changes so that what a pixel column saw is found in a few dozen
// steps, however many changes the column holds. Plain data, no widgets.
#include <QString>
#include <QtGlobal>
#include <cstdint>
#include <limits>
#include <optional>
#include <span>
#include <vector>

#include "model/BarrierModel.h"
#include "model/BeamLook.h"
#include "ui/BlockSummary.h"

namespace timeline {

// The lanes below the beams, in the order they are drawn.
enum class FlagLane : int { AlarmOutput, TamperOutput, TamperContacts, LowSupply, Registration };
inline constexpr int FlagLaneCount = 5;

// Which looks each lane had, one bit per (lane, look): the word of one
// moment has one bit per lane, the bitwise or of a column's words tells
// every look the column saw.
using LaneWord = std::uint64_t;

constexpr LaneWord laneBeamBit(int beam, BeamLook look) {
  return LaneWord(1) << ((beam - 1) * BeamLookCount + int(look));
}
constexpr LaneWord flagBit(FlagLane lane, bool set) {
  return LaneWord(1) << (MaxBeams * BeamLookCount + 2 * int(lane) + (set ? 1 : 0));
}
// The barrier was not connected.
inline constexpr LaneWord DisconnectedBit = LaneWord(1) << (MaxBeams * BeamLookCount + 2 * FlagLaneCount);

// What set the tamper output off, while it is set: its lane names it.
enum class TamperCause : int { TransmitterContact, ReceiverContact, Bus, CoveredTooLong };
inline constexpr int TamperCauseCount = 4;
constexpr LaneWord tamperCauseBit(TamperCause cause) { return DisconnectedBit << (1 + int(cause)); }
inline constexpr LaneWord TamperCauseBits =
    tamperCauseBit(TamperCause::TransmitterContact) | tamperCauseBit(TamperCause::ReceiverContact) |
    tamperCauseBit(TamperCause::Bus) | tamperCauseBit(TamperCause::CoveredTooLong);
static_assert(tamperCauseBit(TamperCause::CoveredTooLong) != 0, "a lane word holds every look");

bool flagSet(FlagLane lane, std::uint8_t statusFlags);
// What the lanes show for one status reply.
LaneWord laneWord(const BarrierStatus& status, std::uint8_t switchedOff, int beams);
// The look of `beam` that matters most among those in `word`: an alert over
// a block, a block over 50 %, then "nar.", normal, switched off. None when
// the word holds no look of the beam.
std::optional<BeamLook> mostSignificantLook(LaneWord word, int beam);

// The state in effect at a moment.
struct Moment {
  enum class Kind : std::uint8_t { NotSeen, Disconnected, Connected, Status };
  Kind kind = Kind::NotSeen;
  // When what the lanes show began, and when it ended (the journal's end
  // while it lasts).
  qint64 sinceMs = 0;
  qint64 untilMs = 0;
  BarrierStatus status;
  std::uint8_t switchedOff = 0;
  int beams = 8;
  std::optional<double> supplyVolts;
};

// What the journal tells beside the barrier's state: drawn on the time axis.
struct Marker {
  enum class Kind : std::uint8_t { ConfigWritten, WriteDropped, Reset, FileOpened, FileSaved, WalkTest };
  qint64 ms = 0;
  Kind kind = Kind::ConfigWritten;
  QString text;  // the file, the notice, the walk test's result
};
inline constexpr int MarkerKindCount = 6;

// When the alarm output was active; `endMs` is the journal's end while it is.
struct AlarmPeriod {
  qint64 startMs = 0;
  qint64 endMs = 0;
};

struct SupplyRange {
  float low = std::numeric_limits<float>::infinity();
  float high = -std::numeric_limits<float>::infinity();
  bool empty() const { return low > high; }
};

class TimelineData {
 public:
  // Times are UTC milliseconds, in time order: a change earlier than the
  // last one added counts as at that one's time (two programs' clocks may
  // disagree by a little).
  void addConnected(qint64 ms, int beamCount);
  void addDisconnected(qint64 ms);
  void addStatus(qint64 ms, const BarrierStatus& status);
  // A configuration read from or confirmed by the barrier: its switched-off beams.
  void addConfiguration(qint64 ms, const BarrierConfig& config);
  void addSupply(qint64 ms, double volts);
  void addMarker(qint64 ms, Marker::Kind kind, const QString& text = {});
  // What the journal tells up to this time; the lanes end here.
  void extendTo(qint64 ms);
  void clear();

  bool empty() const { return times_.empty(); }
  qint64 firstMs() const { return times_.empty() ? 0 : times_.front(); }
  qint64 endMs() const { return endMs_; }
  // The most beams any connection of the barrier had (8 until one is known).
  int beams() const { return beams_; }
  std::size_t changeCount() const { return times_.size(); }

  Moment momentAt(qint64 ms) const;
  // The moment in [fromMs, toMs) that matters most (an alarm over an alert
  // over a tamper, a block, 50 %, "nar."), as a pixel column shows it; the
  // moment at fromMs when nothing changes in between.
  Moment mostSignificantMoment(qint64 fromMs, qint64 toMs) const;
  // How many changes fall in [fromMs, toMs).
  std::size_t changesBetween(qint64 fromMs, qint64 toMs) const;
  // The alarm output's active periods, in time order: a change that keeps
  // it active goes on with the same one.
  const std::vector<AlarmPeriod>& alarms() const { return alarms_; }
  // The markers in [fromMs, toMs), in time order.
  std::span<const Marker> markersBetween(qint64 fromMs, qint64 toMs) const;

  // Every look the lanes had in [fromMs, toMs), with the state in effect at
  // fromMs; before the first change the barrier counts as not connected.
  LaneWord lanesBetween(qint64 fromMs, qint64 toMs) const;
  // The lowest and highest supply voltage in effect in [fromMs, toMs).
  SupplyRange supplyBetween(qint64 fromMs, qint64 toMs) const;

 private:
  struct Or {
    LaneWord operator()(LaneWord a, LaneWord b) const { return a | b; }
  };
  struct Span {
    SupplyRange operator()(SupplyRange a, SupplyRange b) const {
      return {std::min(a.low, b.low), std::max(a.high, b.high)};
    }
  };
  struct Change {
    BarrierStatus status;
    std::uint8_t switchedOff = 0;
    Moment::Kind kind = Moment::Kind::NotSeen;
    std::uint8_t beams = 8;
  };

  void push(qint64 ms, const Change& change);

  std::vector<qint64> times_;
  std::vector<Change> changes_;
  BlockSummary<LaneWord, Or> words_;
  std::vector<qint64> supplyTimes_;
  BlockSummary<SupplyRange, Span> supply_{SupplyRange{}};
  std::vector<AlarmPeriod> alarms_;
  bool alarmActive_ = false;
  std::vector<Marker> markers_;
  std::uint8_t switchedOff_ = 0;
  int beams_ = 8;
  int connectionBeams_ = 8;
  bool beamsKnown_ = false;
  qint64 endMs_ = 0;
};

// What one pixel column of the timeline saw.
struct Column {
  LaneWord lanes = 0;
  SupplyRange supply;
};

// The columns of a view of `width` pixels starting at `startMs`, each
// `msPerColumn` long. Columns past the journal's end hold nothing. The cost
// grows with the width, not with the number of changes.
std::vector<Column> summariseColumns(const TimelineData& data, qint64 startMs, double msPerColumn, int width);

}  // namespace timeline
