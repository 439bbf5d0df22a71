#pragma once
// SIGINT, SIGTERM and SIGHUP as a request to stop, for status --follow: the
// night recorder ends its journal session properly (the connection lost with
// the port closed, the session's end) instead of dying in the middle. A
// second signal ends the program at once.
void catchStopSignals();
// True once one of those signals came. Safe to ask from the main thread at any time.
bool stopRequested();
