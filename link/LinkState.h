#pragma once
// The request cycle's state, owned by the main window beside the model.
#include <QString>
#include <array>
#include <cstdint>
#include <optional>

#include "link/RxBuffer.h"
#include "model/BarrierModel.h"

// What tells one barrier from another: its version reply and its transmitter
// serial number (configuration bytes 9 and 10), once a read has returned them.
struct BarrierIdentity {
  std::array<std::uint8_t, 8> version{};
  std::optional<std::uint16_t> serial;
  bool operator==(const BarrierIdentity&) const = default;
};

// Unsent edits made for a barrier that is no longer the one answering,
// kept for the user to take back.
struct SetAsideEdits {
  BarrierIdentity barrier;    // they were made for
  BarrierConfig values;       // the editors as they were
  std::uint32_t indices = 0;  // bit per index of `values` that was an unsent edit; none: nothing kept
};

// How sure the link is that the barrier answering is the one it read.
enum class IdentityCheck : std::uint8_t {
  Certain,
  AskVersion,  // a reply went missing or the line was idle: ask the version first
  AskSerial,   // the version matched: read the block holding the serial number
};

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
  // The read under way gathers its blocks here; they reach the model only
  // when the read ends, so the editors never show two barriers' blocks as one.
  BarrierConfig reading;
  std::uint32_t returnedIndices = 0;  // of the read under way, bit per index
  // The read under way was not asked for by the user (a reconnection, the
  // check after a send): it leaves unsent edits in editConfig.
  bool readKeepsEdits = false;
  bool reconnectionRead = false;  // started by a (re)connection
  bool editsKept = false;         // that read kept edits that differ from the barrier
  bool resetDropped = false;      // a pending reset went with the lost barrier
  IdentityCheck check = IdentityCheck::Certain;
  // A barrier was identified and no read has ended since: nothing that
  // changes a barrier goes out until it shows which one this is.
  bool connectionUnread = false;
  // The barrier the editors were last read from, and which the unsent edits
  // and the pending work are for; none before the first read.
  std::optional<BarrierIdentity> workBarrier;
  // Set while the editors hold edits taken back for another barrier than workBarrier.
  std::optional<BarrierIdentity> editsMadeFor;
  // The editors hold a file opened while no barrier's configuration was read:
  // the next read keeps all of it as unsent edits.
  bool editsAwaitBarrier = false;
  SetAsideEdits setAside;
  bool sendFailureTold = false;  // a notice said a send did not complete; the next confirmed one says it did
  QString barrierName;           // the barrier last identified, as notices name it
  QString barrierPort;           // and the port it answered on
  // The next status reply recomputes the beeper even when nothing changed.
  bool beepStale = false;
  bool dtrOn = true;  // modem line levels applied after each opening
  bool rtsOn = true;
  RxBuffer rxBuffer;
};
