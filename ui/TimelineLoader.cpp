#include "ui/TimelineLoader.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <limits>
#include <vector>

#include "texts/UiTexts.h"
#include "walktest/WalkTestRun.h"

namespace timeline {
namespace {

QString walkTestOutcome(const QString& json) {
  const std::optional<StoredWalkTest> test = readWalkTestDocument(QJsonDocument::fromJson(json.toUtf8()).object());
  if (!test) return {};
  return uiText(test->result.passed() ? UiTexts::txtOutcomePassed : UiTexts::txtOutcomeNotPassed);
}

}  // namespace

bool TimelineLoader::load(const JournalBarrierKey& barrier, TimelineData& data) {
  data.clear();
  barrier_ = barrier;
  loadedUntilMs_ = 0;
  loadedAny_ = false;
  started_.clear();
  ended_.clear();
  openConnection_.reset();
  openConnectionEndMs_ = 0;
  return read(data);
}

bool TimelineLoader::update(TimelineData& data, qint64 nowMs) {
  if (!barrier_) return false;
  const bool ok = read(data);
  if (openConnection_) data.extendTo(nowMs);
  return ok;
}

bool TimelineLoader::read(TimelineData& data) {
  const qint64 from = loadedAny_ ? loadedUntilMs_ + 1 : std::numeric_limits<qint64>::min();

  // Where connections begin and end, merged with the events in time order.
  struct Mark {
    qint64 ms;
    bool start;
    qint64 connection;
    int beams;
  };
  std::vector<Mark> marks;
  for (const JournalConnection& c : reader_.connections(barrier_, loadedAny_ ? loadedUntilMs_ : from)) {
    // A time no calendar has (a damaged or crafted journal) has no place on the axis.
    if (!journalTimeValid(c.startMs) || !journalTimeValid(c.endMs)) continue;
    if (!started_.contains(c.id)) {
      started_.insert(c.id);
      marks.push_back({c.startMs, true, c.id, c.beamCount});
    }
    if (!c.open && !ended_.contains(c.id)) {
      ended_.insert(c.id);
      marks.push_back({c.endMs, false, c.id, 0});
    }
    if (c.open && openConnection_ == c.id) openConnectionEndMs_ = c.endMs;
  }
  std::stable_sort(marks.begin(), marks.end(), [](const Mark& a, const Mark& b) {
    return a.ms != b.ms ? a.ms < b.ms : (!a.start && b.start);  // an end before a start at the same time
  });

  const auto apply = [&](const Mark& mark) {
    if (mark.start) {
      // A connection that never ended (its program was killed) ends with its last event.
      if (openConnection_ && *openConnection_ != mark.connection) data.addDisconnected(openConnectionEndMs_);
      data.addConnected(mark.ms, mark.beams);
      openConnection_ = mark.connection;
      openConnectionEndMs_ = mark.ms;
    } else {
      data.addDisconnected(mark.ms);
      if (openConnection_ == mark.connection) openConnection_.reset();
    }
    loadedUntilMs_ = std::max(loadedUntilMs_, mark.ms);
    loadedAny_ = true;
  };

  std::size_t next = 0;
  JournalQuery query;
  query.barrier = barrier_;
  query.fromMs = from;
  query.kinds = {JournalEventKind::Status,        JournalEventKind::Supply,       JournalEventKind::ConfigRead,
                 JournalEventKind::ConfigWritten, JournalEventKind::WriteDropped, JournalEventKind::Reset,
                 JournalEventKind::FileOpened,    JournalEventKind::FileSaved,    JournalEventKind::WalkTest};
  const bool ok = reader_.forEachEvent(query, [&](const JournalEvent& e) {
    if (!journalTimeValid(e.timeMs)) return true;
    while (next < marks.size() && (marks[next].ms < e.timeMs || (marks[next].ms == e.timeMs && marks[next].start)))
      apply(marks[next++]);
    switch (e.kind) {
      case JournalEventKind::Status:
        data.addStatus(e.timeMs, e.status);
        break;
      case JournalEventKind::Supply:
        data.addSupply(e.timeMs, e.supplyVolts);
        break;
      case JournalEventKind::ConfigRead:
        data.addConfiguration(e.timeMs, e.config);
        break;
      case JournalEventKind::ConfigWritten:
        data.addConfiguration(e.timeMs, e.config);
        data.addMarker(e.timeMs, Marker::Kind::ConfigWritten);
        break;
      case JournalEventKind::WriteDropped:
        data.addMarker(e.timeMs, Marker::Kind::WriteDropped, e.text);
        break;
      case JournalEventKind::Reset:
        data.addMarker(e.timeMs, Marker::Kind::Reset);
        break;
      case JournalEventKind::FileOpened:
        data.addMarker(e.timeMs, Marker::Kind::FileOpened, e.text);
        break;
      case JournalEventKind::FileSaved:
        data.addMarker(e.timeMs, Marker::Kind::FileSaved, e.text);
        break;
      case JournalEventKind::WalkTest:
        data.addMarker(e.timeMs, Marker::Kind::WalkTest, walkTestOutcome(e.text));
        break;
      default:
        break;
    }
    if (openConnection_) openConnectionEndMs_ = std::max(openConnectionEndMs_, e.timeMs);
    loadedUntilMs_ = std::max(loadedUntilMs_, e.timeMs);
    loadedAny_ = true;
    return true;
  });
  while (next < marks.size()) apply(marks[next++]);
  return ok;
}

}  // namespace timeline
