#pragma once
// What the device link tells those who keep a record of the barrier (the
// journal, a walk test): facts as they happen, on the main thread, after the
// model has taken them in. Every method has an empty default, so an observer
// overrides only what it needs. An observer must return quickly: it runs
// inside the receive path, between a reply and the next request.
#include <QString>
#include <cstdint>
#include <span>

#include "link/LinkState.h"
#include "model/BarrierModel.h"

// Why a connected barrier counts as gone.
enum class LinkLoss {
  Silence,       // it stopped answering (the request cycle gave up)
  Unplugged,     // the port's device went away
  PortSettings,  // the user closed the port to change its settings
  PortClosed,    // the program closed the port (at its end)
};

class LinkObserver {
 public:
  virtual ~LinkObserver() = default;

  // The port opened (`deviceName` as the port opens it) or closed.
  virtual void portOpened(const QString& /*deviceName*/) {}
  virtual void portClosed() {}
  // A version reply made the barrier known: its 8 version bytes and the
  // beam count the link derived from them. Comes again after every loss.
  virtual void barrierIdentified(std::span<const std::uint8_t> /*versionInfo*/, int /*beamCount*/) {}
  // A barrier that was identified is gone. Only after barrierIdentified.
  virtual void barrierLost(LinkLoss /*reason*/) {}
  // A status reply differs from the one before in what the picture shows
  // (or is the first after an identification, or its tamper byte changed).
  // `frame` is the reply as received.
  virtual void statusChanged(const BarrierStatus& /*status*/, std::span<const std::uint8_t> /*frame*/) {}
  // The filtered supply voltage's text (model.supplyText): once the filter
  // has settled after an identification, then each time it changes.
  virtual void supplyTextChanged(const QString& /*text*/) {}
  // The whole configuration has been read (the data reply ended a read).
  virtual void configurationRead(const BarrierConfig& /*config*/) {}
  // A send put its first block on the line, carrying `config`: once a send,
  // however often the cycle repeats the request.
  virtual void writeSent(const BarrierConfig& /*config*/) {}
  // A write is done: the read after it shows the barrier holds what was
  // sent; `config` is what the barrier holds now.
  virtual void writeConfirmed(const BarrierConfig& /*config*/) {}
  // A write was given up (its barrier lost) or the read after it shows the
  // barrier does not hold it, with the notice the user was shown.
  virtual void writeDropped(const QString& /*notice*/) {}
  // The barrier confirmed the block-memory reset.
  virtual void resetConfirmed() {}
  // A read shows that the barrier answering is not `was`, the one the pending
  // work and the unsent edits were for, but `now`: nothing of that work was
  // sent to it, and `notice` says what was dropped, naming both. Comes after
  // `now`'s configurationRead.
  virtual void barrierReplaced(const BarrierIdentity& /*was*/, const BarrierIdentity& /*now*/,
                               const QString& /*notice*/) {}
};
