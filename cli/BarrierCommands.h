#pragma once
// identify, read, write, reset and status: the program's requests, in the
// program's order, through the program's link, without a window.
#include "cli/CommandOutcome.h"

// Talks to the barrier on request.port (empty: the port the program has
// stored). Each wait for the barrier ends after request.timeoutSeconds; in
// status --follow each wait for the next status reply does.
CommandOutcome runBarrierCommand(const CliRequest& request, const LineSink& out);

class HeadlessLink;
// The port did not open, with the system's reason; the barrier did not
// answer (or its device went away and cannot be opened again).
CommandOutcome portFailure(const HeadlessLink& link);
CommandOutcome noAnswer(const HeadlessLink& link);
