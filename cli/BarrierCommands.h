#pragma once
// identify, read, write, reset and status: the program's requests, in the
// program's order, through the program's link, without a window.
#include "cli/CommandOutcome.h"

// Talks to the barrier on request.port (empty: the port the program has
// stored, else the only USB serial adapter). Each wait for the barrier ends
// after request.timeoutSeconds; in status --follow each wait for the next
// status reply does. SIGINT, SIGTERM and SIGHUP end it (a write after its
// block in flight), and so does a closed standard output.
CommandOutcome runBarrierCommand(const CliRequest& request, const CommandOutput& out);
