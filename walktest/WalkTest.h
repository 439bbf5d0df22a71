#pragma once
// The walk test a technician does when handing a barrier over: every beam
// interrupted and seen to clear again, every tamper contact opened and closed,
// both outputs seen active and at rest. Fed the barrier's status as the link
// receives it, with the time of each snapshot; knows nothing of windows,
// ports or clocks. Main thread only.
#include <QJsonObject>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

#include "model/BarrierModel.h"

enum class WalkItemKind { Beam, TransmitterTamper, ReceiverTamper, AlarmOutput, TamperOutput };
enum class WalkOutcome { NotPassed, Passed, NotTested };

// One thing to prove during the test. Times are milliseconds since the epoch
// (UTC); 0 where that moment was not seen.
struct WalkItem {
  WalkItemKind kind = WalkItemKind::Beam;
  int beam = 0;  // beams only: 1..8
  WalkOutcome outcome = WalkOutcome::NotPassed;
  // Beam interrupted, contact open, output active: the start of the pass.
  qint64 seenMs = 0;
  // Beam clear again, contact closed, output at rest: the pass itself.
  qint64 clearedMs = 0;
  // Beams: the alarm output went active while the beam was interrupted.
  bool alarmOutput = false;
  bool operator==(const WalkItem&) const = default;
};

struct WalkTestResult {
  qint64 startedMs = 0;
  qint64 endedMs = 0;  // 0 while the test runs
  int beamCount = 0;
  std::vector<WalkItem> items;
  // Lowest and highest raw supply reading seen; unset until a status came.
  std::optional<std::uint8_t> supplyMin, supplyMax;
  std::uint8_t beams50 = 0;   // beams seen at "50 %" during the test (beamBit)
  std::uint8_t beamsNar = 0;  // beams seen at "nar."
  bool lowSupply = false;     // the barrier reported its supply too low
  std::vector<qint64> connectionLosses;

  // Every item that is tested has passed.
  bool passed() const;
  // Not yet ended: items not passed are still waiting, not failed.
  bool running() const { return endedMs == 0; }
  bool hasWarnings() const { return beams50 || beamsNar || lowSupply || !connectionLosses.empty(); }

  // Stable English keys for scripts and the journal: result, started, ended,
  // beamCount, items (item, beam, result and the times seen), supplyMin,
  // supplyMax (volts as the picture shows them), warnings. Times in ISO 8601
  // with milliseconds and the local offset.
  QJsonObject toJson() const;
  // What toJson wrote; nullopt for anything else.
  static std::optional<WalkTestResult> fromJson(const QJsonObject& json);
  bool operator==(const WalkTestResult&) const = default;
};

class WalkTest {
 public:
  // Lists the beams 1..beamCount (a beam whose response time is 0 in
  // `deviceConfig` is switched off and not tested), the two tamper contacts
  // and the two outputs.
  WalkTest(const BarrierConfig& deviceConfig, int beamCount, qint64 nowMs);

  // One status snapshot as the barrier reported it. Returns the indexes of
  // the items that passed with it, in item order.
  std::vector<std::size_t> observe(const BarrierStatus& status, qint64 nowMs);
  // The barrier stopped answering: what was half seen (a beam interrupted
  // but not yet seen clear) must be seen whole again after the reconnection.
  void connectionLost(qint64 nowMs);
  // Ends the test; later snapshots change nothing.
  void finish(qint64 nowMs);

  bool finished() const { return result_.endedMs != 0; }
  // Nothing is left to pass.
  bool complete() const;
  // The first item still waiting for its pass; nullopt when complete.
  std::optional<std::size_t> nextItem() const;
  const WalkTestResult& result() const { return result_; }

 private:
  bool isOn(const WalkItem& item, const BarrierStatus& status) const;

  WalkTestResult result_;
};

// JSON names of the item kinds and outcomes ("beam", "transmitterTamper",
// "passed", "not passed", "not tested").
QString walkItemKey(WalkItemKind kind);
QString walkOutcomeKey(WalkOutcome outcome);
