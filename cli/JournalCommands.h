#pragma once
// history and barriers: what the journal recorded, without a barrier.
#include "cli/CommandOutcome.h"

// history: the events `request` selects, oldest first, as text, JSON lines
// or CSV. barriers: the barriers the journal knows. Both read the journal at
// journalPath(); one that cannot be read ends with exitstatus::Usage.
CommandOutcome runJournalCommand(const CliRequest& request, const LineSink& out);

// A moment of the journal as history prints it: local time, ISO 8601 with
// milliseconds and the offset ("2026-12-08T03:12:00.000+01:00").
QString journalTimeText(qint64 ms);
