#pragma once
// identify, read, write, reset and status: the program's requests, in the
// program's order, through the program's link, without a window.
#include <optional>

#include "cli/CommandOutcome.h"

// Talks to the barrier on request.port (empty: the port the program has
// stored, else the only USB serial adapter). Each wait for the barrier ends
// after request.timeoutSeconds; in status --follow each wait for the next
// status reply does. SIGINT, SIGTERM and SIGHUP end it (a write after its
// block in flight), and so does a closed standard output.
CommandOutcome runBarrierCommand(const CliRequest& request, const CommandOutput& out);

class HeadlessLink;
// The port did not open, with the system's reason; the barrier did not
// answer (or its device went away and cannot be opened again).
CommandOutcome portFailure(const HeadlessLink& link);
CommandOutcome noAnswer(const HeadlessLink& link);

// request.port, else the stored port, else the only USB serial adapter;
// nothing when none of them, with the refusal in `failure`.
std::optional<QString> requestedPort(const CliRequest& request, CommandOutcome& failure);

// "SIGINT": a signal's name for the line that says what ended a command.
QString signalName(int signalNumber);
