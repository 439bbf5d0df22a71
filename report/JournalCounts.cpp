#include "report/JournalCounts.h"

std::optional<JournalDayCounts> dayCountsBefore(JournalReader& journal, unsigned serial, qint64 untilMs) {
  constexpr qint64 DayMs = 24 * 3600 * 1000;
  JournalDayCounts counts;
  counts.fromMs = untilMs - DayMs;
  counts.untilMs = untilMs;
  JournalQuery query;
  query.barrier = serial;
  query.fromMs = counts.fromMs;
  query.untilMs = untilMs - 1;
  query.kinds = {JournalEventKind::Status, JournalEventKind::Lost};
  BarrierStatus before;
  qint64 connection = -1;
  const bool read = journal.forEachEvent(query, [&](const JournalEvent& event) {
    if (event.connection != connection) {
      // The connection's state as the span found it: nothing when it began within the span.
      connection = event.connection;
      const auto earlier = journal.lastBefore(connection, std::nullopt, {JournalEventKind::Status}, counts.fromMs - 1);
      before = earlier ? earlier->status : BarrierStatus{};
    }
    if (event.kind == JournalEventKind::Lost) {
      ++counts.connectionLosses;  // a connection's last event: what follows is another's
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
