#pragma once
// The traffic monitor's rows and summary as text: the table's cells, and the
// lines of a saved file (UTF-8, ISO 8601 times, fields split by tabs).
#include <QString>
#include <cstdint>

#include "monitor/TrafficRecorder.h"
#include "monitor/TrafficRow.h"

// A command's name in Polish ("stan"); the protocol's own is commandName().
QString commandWords(int command);
QString rowDirection(const TrafficRow& row);
QString rowCommand(const TrafficRow& row);
QString rowWords(const TrafficRow& row);
QString rowBytes(const TrafficRow& row);
// Milliseconds with a tenth, "12,3"; empty for a negative span (no previous row).
QString millisecondsText(std::int64_t ns);
// Time since the row listed before (`previousAtNs`, -1: none), as millisecondsText.
QString gapText(const TrafficRow& row, std::int64_t previousAtNs);
// Local time of day with milliseconds, "14:05:09.123".
QString rowClockText(const TrafficRecorder& recorder, const TrafficRow& row);
// One line of a saved file; `previousAtNs` is the row before it as listed (-1: none).
QString rowLine(const TrafficRecorder& recorder, const TrafficRow& row, std::int64_t previousAtNs);
QString summaryText(const TrafficRecorder::Summary& summary);
