#include "cli/StopSignals.h"

#include <signal.h>

#include <initializer_list>

namespace {

volatile sig_atomic_t stopSignal = 0;

void onStopSignal(int number) {
  if (stopSignal != 0) {
    ::signal(number, SIG_DFL);
    ::raise(number);
    return;
  }
  stopSignal = number;
}

}  // namespace

void catchStopSignals() {
  struct sigaction action {};
  action.sa_handler = onStopSignal;
  sigemptyset(&action.sa_mask);
  // Restarted calls: the event loop's poll simply goes on, and the loop
  // asks stopRequested() at the next reply or cycle step.
  action.sa_flags = SA_RESTART;
  for (const int number : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(number, &action, nullptr);
}

bool stopRequested() { return stopSignal != 0; }
