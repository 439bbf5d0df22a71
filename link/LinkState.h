#pragma once
// The request cycle's state, owned by the main window beside the model.
#include <cstdint>

#include "link/RxBuffer.h"

struct LinkState {
  std::uint8_t linkCounter = 0;  // 10 after every handled reply; counted down by the cycle
  std::uint8_t readStep = 0;     // 0 idle, 2 data2 next, 1 data next
  std::uint8_t writeStep = 0;    // 0 idle, 2 write2 next, 1 write next
  bool resetPending = false;     // a block-memory reset is wanted and not yet confirmed
  bool dtrOn = true;             // modem line levels applied after each opening
  bool rtsOn = true;
  RxBuffer rxBuffer;
};
