#include "report/JournalCounts.h"

std::optional<JournalDayCounts> lastDayCounts(JournalReader& journal, unsigned serial, qint64 nowMs) {
  constexpr qint64 DayMs = 24 * 3600 * 1000;
  JournalQuery query;
  query.barrier = serial;
  query.fromMs = nowMs - DayMs;
  query.untilMs = nowMs;
  query.kinds = {JournalEventKind::Status, JournalEventKind::Lost};
  JournalDayCounts counts;
  BarrierStatus before;  // what the day began with is counted as it came on
  const bool read = journal.forEachEvent(query, [&](const JournalEvent& event) {
    if (event.kind == JournalEventKind::Lost) {
      ++counts.connectionLosses;
      before = {};  // a state seen again after the loss is a new event
      return true;
    }
    const std::uint8_t rising = event.status.beamsAlarm & ~before.beamsAlarm;
    for (int b = 1; b <= MaxBeams; ++b)
      if (rising & beamBit(b)) ++counts.alarmsPerBeam[std::size_t(b - 1)];
    if ((event.status.statusFlags & ~before.statusFlags) & statusflag::TamperOutput) ++counts.tamperEvents;
    before = event.status;
    return true;
  });
  if (!read) return std::nullopt;
  return counts;
}
