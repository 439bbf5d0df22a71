#pragma once
// walktest and report: the commissioning walk test in a terminal, and its
// record from the journal.
#include "cli/CommandOutcome.h"

// Runs the walk test on the barrier: prints what to walk next and every pass
// as it comes, ends when everything passed or no pass came for
// request.timeoutSeconds, prints the result and keeps it in the journal.
// Done when everything passed, NoAnswer otherwise. SIGINT, SIGTERM and SIGHUP
// end it as a time-out does, with status 128 + the signal's number.
CommandOutcome runWalkTest(const CliRequest& request, const CommandOutput& out);

// Writes the commissioning record of the newest walk test in the journal
// (of request.barrier, when given) to request.files[0]; NoAnswer with a
// clear message when the journal has none.
// Needs a QGuiApplication (fonts).
CommandOutcome runReport(const CliRequest& request, const CommandOutput& out);
