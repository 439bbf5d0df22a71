#pragma once
// The journal's day of a barrier in the numbers a record shows.
#include <optional>

#include "journal/JournalReader.h"
#include "report/CommissioningRecord.h"

// Alarms per beam (times its alarm bit came on), tamper events (times the
// tamper output came on) and connection losses of barrier `serial` in the 24
// hours before `untilMs` (not included). A state is counted when it comes on
// within a connection, or when a connection begins with it; one already on
// before the span is not. Nullopt when the journal cannot be read.
std::optional<JournalDayCounts> dayCountsBefore(JournalReader& journal, unsigned serial, qint64 untilMs);
