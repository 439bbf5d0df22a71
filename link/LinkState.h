#pragma once
// The request cycle's state, owned by the main window beside the model.
#include <cstdint>

#include "link/RxBuffer.h"

struct LinkState {
  std::uint8_t linkCounter = 0;  // 10 after every handled reply; counted down by the cycle
  std::uint8_t readStep = 0;     // 0 idle, 2 data2 next, 1 data next
  std::uint8_t writeStep = 0;    // 0 idle, 2 write2 next, 1 write next
  bool resetPending = false;     // a block-memory reset is wanted and not yet confirmed
  // The pending write can no longer carry what the user saw: it was asked for
  // without a barrier, or the barrier was lost before confirming it.
  bool writeStale = false;
  // The read under way was started by a (re)connection, not by the user.
  bool reconnectionRead = false;
  bool editorsBlankAtReconnection = false;  // nothing in the editors to lose
  bool editsReplaced = false;               // that read replaced values the editors showed
  // The next status reply recomputes the beeper even when nothing changed.
  bool beepStale = false;
  bool dtrOn = true;  // modem line levels applied after each opening
  bool rtsOn = true;
  RxBuffer rxBuffer;
};
