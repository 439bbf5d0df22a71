#pragma once
// The journal's last day of a barrier in the numbers a record shows.
#include <optional>

#include "journal/JournalReader.h"
#include "report/CommissioningRecord.h"

// Alarms per beam (times its alarm bit came on), tamper events (times the
// tamper output came on) and connection losses of barrier `serial` in the
// 24 hours before `nowMs`; nullopt when the journal cannot be read.
std::optional<JournalDayCounts> lastDayCounts(JournalReader& journal, unsigned serial, qint64 nowMs);
