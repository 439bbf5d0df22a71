#pragma once
// The request cycle's state, owned by the main window beside the model.
#include <QString>
#include <cstdint>

#include "link/RxBuffer.h"
#include "model/BarrierModel.h"

struct LinkState {
  std::uint8_t linkCounter = 0;  // 10 after every handled reply; counted down by the cycle
  std::uint8_t readStep = 0;     // 0 idle, 2 data2 next, 1 data next
  std::uint8_t writeStep = 0;    // 0 idle, 2 write2 next, 1 write next
  bool resetPending = false;     // a block-memory reset is wanted and not yet confirmed
  // The pending write can no longer carry what the user saw: it was asked for
  // without a barrier, or the barrier was lost before confirming it. The
  // next read ends it and tells what the barrier holds.
  bool writeStale = false;
  std::uint8_t blocksSent = 0;  // writecheck blocks sent since the send command
  BarrierConfig sent;           // their bytes as they went out
  // The next read to end tells whether the barrier holds the send.
  bool writeCheckPending = false;
  std::uint32_t returnedIndices = 0;  // of the read under way, bit per index
  // The read under way was not asked for by the user (a reconnection, the
  // check after a send): it leaves unsent edits in editConfig.
  bool readKeepsEdits = false;
  bool reconnectionRead = false;  // started by a (re)connection
  bool editsKept = false;         // that read kept edits that differ from the barrier
  bool resetDropped = false;      // a pending reset went with the lost barrier
  QString barrierName;            // the barrier last identified, as notices name it
  QString barrierPort;            // and the port it answered on
  // The next status reply recomputes the beeper even when nothing changed.
  bool beepStale = false;
  bool dtrOn = true;  // modem line levels applied after each opening
  bool rtsOn = true;
  RxBuffer rxBuffer;
};
