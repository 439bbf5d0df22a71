#pragma once
// history and barriers: what the journal recorded, without a barrier.
#include "cli/CommandOutcome.h"

// history: the events `request` selects, oldest first, as text, JSON lines
// or CSV. barriers: the barriers the journal knows. Both read the journal at
// journalPath(); one that cannot be read ends with exitstatus::Usage.
CommandOutcome runJournalCommand(const CliRequest& request, const CommandOutput& output);
