#pragma once
// Fills the timeline's data with one barrier's journal: its connections as
// the spans it was connected, its status changes, supply readings and
// configurations; later, in live mode, with what was written since.
#include <QSet>
#include <QtGlobal>
#include <optional>

#include "journal/JournalReader.h"
#include "ui/TimelineData.h"

namespace timeline {

class TimelineLoader {
 public:
  explicit TimelineLoader(JournalReader& reader) : reader_(reader) {}

  // Starts `data` anew with everything the journal holds of `barrier`.
  // False when the journal could not be read (reader.error() tells why).
  bool load(const JournalBarrierKey& barrier, TimelineData& data);
  // Adds what was written since the last load or update; the data reaches
  // `nowMs` while the barrier is still connected.
  bool update(TimelineData& data, qint64 nowMs);

  // The barrier loaded: its serial number, and the whole key.
  std::optional<unsigned> barrier() const { return barrier_ ? std::optional(barrier_->serial) : std::nullopt; }
  const std::optional<JournalBarrierKey>& barrierKey() const { return barrier_; }

 private:
  bool read(TimelineData& data);

  JournalReader& reader_;
  std::optional<JournalBarrierKey> barrier_;
  qint64 loadedUntilMs_ = 0;  // events up to here are in the data
  bool loadedAny_ = false;
  QSet<qint64> started_;  // connections whose start is in the data
  QSet<qint64> ended_;    // connections whose end is in the data
  std::optional<qint64> openConnection_;
  qint64 openConnectionEndMs_ = 0;
};

}  // namespace timeline
