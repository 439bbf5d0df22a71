#include "link/DeviceLink.h"

#include <algorithm>
#include <array>

#include "link/Frame.h"
#include "link/StatusWords.h"
#include "link/WriteCheck.h"
#include "texts/UiTexts.h"
#include "util/HexText.h"
#include "util/VersionText.h"

namespace {

constexpr std::size_t VersionSize = 8;
constexpr std::size_t StatusSize = 9;  // payload bytes every status reply must carry
constexpr std::uint8_t DiagStatusLength = 19;
constexpr std::uint8_t LinkAlive = 10;
constexpr std::uint8_t LinkFailing = 5;  // at or below: the barrier counts as lost

std::span<const std::uint8_t> payloadOf(std::span<const std::uint8_t> frame) {
  const std::size_t length = frame[2];
  return length < 2 ? std::span<const std::uint8_t>{} : frame.subspan(frame::PayloadOffset, length - 2);
}

}  // namespace

DeviceLink::DeviceLink(BarrierModel& model, LinkState& state, SerialLine& port, EventLog& log, LinkView& view)
    : model_(model), state_(state), port_(port), log_(log), view_(view) {}

void DeviceLink::addObserver(LinkObserver* observer) {
  if (observer && std::find(observers_.begin(), observers_.end(), observer) == observers_.end())
    observers_.push_back(observer);
}

void DeviceLink::removeObserver(LinkObserver* observer) { std::erase(observers_, observer); }

// ---- Requests -------------------------------------------------------------

void DeviceLink::send(std::uint8_t command, std::span<const std::uint8_t> payload, int logText, bool restartsTimer) {
  const std::vector<std::uint8_t> bytes = buildFrame(command, payload);
  awaitedCommand_ = command;
  awaitingReply_ = true;
  held_ = Held::None;
  askForBytes();
  if (!bytes.empty()) port_.write(bytes.data(), std::int32_t(bytes.size()));
  traffic_.sent(bytes);
  if (logText != 0) log_.addLogLine(uiText(UiTexts::Id(logText)));
  // Written and restarted in one go on the main thread: the same as stopping
  // the timer before the write and starting it after.
  if (restartsTimer) view_.restartCycleTimer();
}

void DeviceLink::askVersion() { send(frame::CmdVersion, {}, UiTexts::txtLogAskVer, false); }
void DeviceLink::askData() { send(frame::CmdData, {}, UiTexts::txtLogAskData, true); }
void DeviceLink::askStatus() { send(frame::CmdStatus, {}, 0, true); }
void DeviceLink::askData2() { send(frame::CmdData2, {}, UiTexts::txtLogAskData2, true); }
void DeviceLink::askReset() { send(frame::CmdReset, {}, UiTexts::txtLogAskRes, false); }

void DeviceLink::askWrite() { sendBlock(writecheck::From0, frame::CmdWrite, UiTexts::txtLogAskWrite); }
void DeviceLink::askWrite2() { sendBlock(writecheck::From16, frame::CmdWrite2, UiTexts::txtLogAskWrite2); }

void DeviceLink::sendBlock(std::uint8_t block, std::uint8_t command, int logText) {
  const auto bytes =
      std::span(model_.editConfig.bytes).subspan(writecheck::firstIndex(block), writecheck::indexCount(block));
  if (state_.blocksSent == 0) tellObservers([&](LinkObserver& o) { o.writeSent(model_.editConfig); });
  std::copy(bytes.begin(), bytes.end(), state_.sent.bytes.begin() + std::ptrdiff_t(writecheck::firstIndex(block)));
  state_.blocksSent |= block;
  send(command, bytes, logText, true);
}

// ---- Receive path ---------------------------------------------------------

void DeviceLink::onBytesReceived(std::int32_t count) {
  if (count <= 0 || !port_.isOpen()) return;
  std::array<std::uint8_t, StagingSize> staging{};
  const std::int32_t wanted = std::min<std::int32_t>(count, std::int32_t(staging.size()));
  const std::int32_t n = port_.read(staging.data(), wanted);
  if (n <= 0) return;
  // The line hands over fewer than asked only once it has gone quiet.
  lineWentQuiet_ = n < bytesAsked_;
  // Bytes beyond the buffer's room are dropped; frames handled later make room.
  const std::span<const std::uint8_t> read(staging.data(), std::size_t(std::min(n, wanted)));
  traffic_.arrived(state_.rxBuffer, read.subspan(state_.rxBuffer.append(read)));
  // Every frame that is in is handled now. One left behind would be taken
  // for the answer to the next request, and a line that echoes or doubles
  // replies would fill the buffer until dropped bytes stitch frames together.
  std::size_t before = 0;
  do {
    before = state_.rxBuffer.size();
    parseFrames();
  } while (state_.rxBuffer.size() < before);
  gauge_.step();
  showGauge();
  askForBytes();
  if (held_ != Held::None && !replyArriving()) resumeHeldRequest();
}

void DeviceLink::askForBytes() {
  bytesAsked_ = bytesAwaited();
  port_.setRxThreshold(bytesAsked_);
}

std::int32_t DeviceLink::bytesAwaited() const {
  const RxBuffer& rx = state_.rxBuffer;
  std::size_t wanted = 0;
  if (rx.size() >= 3 && rx[0] == frame::Start && rx[1] == frame::Start && rx[2] != frame::Start &&
      rx[2] <= frame::MaxLength)
    wanted = frame::frameSize(rx[2]);
  else if (rx.size() < 3 &&
           std::all_of(rx.bytes().begin(), rx.bytes().end(), [](std::uint8_t b) { return b == frame::Start; }))
    wanted = frame::LengthOffset + 1;
  return wanted > rx.size() ? std::int32_t(wanted - rx.size()) : 1;
}

bool DeviceLink::replyArriving() const {
  if (lineWentQuiet_) return false;
  const RxBuffer& rx = state_.rxBuffer;
  if (rx.size() == 0) return false;
  const auto starts = [&rx](std::size_t i) { return i >= rx.size() || rx[i] == frame::Start; };
  if (!starts(0) || !starts(1)) return false;
  if (rx.size() < 3) return true;
  return rx[2] != frame::Start && rx[2] <= frame::MaxLength && rx.size() < frame::frameSize(rx[2]);
}

void DeviceLink::parseFrames() {
  RxBuffer& rx = state_.rxBuffer;
  TrafficTap::Front front;
  traffic_.beforeSkipping(rx, front);
  while (rx.size() > 3 && !(rx[0] == frame::Start && rx[1] == frame::Start && rx[2] != frame::Start)) rx.removeFront(1);
  traffic_.afterSkipping(rx, front);
  if (rx.size() <= 3) return;

  const std::uint8_t length = rx[2];
  if (length > frame::MaxLength) {
    std::vector<std::uint8_t> dump{std::uint8_t(rx.size())};
    dump.insert(dump.end(), rx.bytes().begin(), rx.bytes().end());
    log_.addLogLine(uiText(UiTexts::txtLogTooLong) + numToHex(length) + uiText(UiTexts::txtLogBuf) + hexDump(dump));
    traffic_.damaged(rx, TrafficObserver::Damage::TooLong, rx.bytes(), 0);
    rx.removeFront(1);
    return;
  }
  const std::size_t size = frame::frameSize(length);
  if (rx.size() < size) return;

  // A copy, so handlers may remove the frame from rxBuffer while reading it.
  std::array<std::uint8_t, frame::MaxSize> copy{};
  std::copy_n(rx.bytes().begin(), size, copy.begin());
  const std::span<const std::uint8_t> received(copy.data(), size);
  const std::uint8_t expected = checkByte(received.first(size - 1));
  if (expected != received[size - 1]) {
    log_.addLogLine(uiText(UiTexts::txtLogBadCrc) + numToHex(expected) + uiText(UiTexts::txtLogBuf) +
                    hexDump(received));
    traffic_.damaged(rx, TrafficObserver::Damage::BadCheck, received, expected);
    rx.removeFront(1);
    return;
  }
  frameAnswersRequest_ = awaitingReply_ && received[3] == awaitedCommand_;
  if (frameAnswersRequest_) awaitingReply_ = false;
  traffic_.accepted(rx, received);
  decodeReply(received);
  frameAnswersRequest_ = false;
}

// ---- Reply decoding -------------------------------------------------------

void DeviceLink::decodeReply(std::span<const std::uint8_t> frame) {
  switch (frame[3]) {
    case frame::CmdVersion:
      return onVersion(frame);
    case frame::CmdData:
      return onData(frame, 0);
    case frame::CmdData2:
      return onData(frame, BarrierConfig::AutoBlockTime);
    case frame::CmdWrite2:
      return onWriteConfirmed(frame, writecheck::From16, UiTexts::txtLogWrite2Ok);
    case frame::CmdWrite:
      return onWriteConfirmed(frame, writecheck::From0, UiTexts::txtLogWriteOk);
    case frame::CmdReset:
      return onReset(frame);
    case frame::CmdStatus:
      return onStatus(frame);
    default:
      return discardUnreadable(frame);
  }
}

void DeviceLink::removeFrame(std::span<const std::uint8_t> frame) { state_.rxBuffer.removeFront(frame.size()); }

// A reply that a barrier cannot have meant (unknown command, too short to
// read) leaves with a log line and changes nothing else: not even the link
// counter, so a device that only talks nonsense still counts as lost.
void DeviceLink::discardUnreadable(std::span<const std::uint8_t> frame) {
  const int text = frame[3] > frame::LastCommand ? UiTexts::txtLogUnknownCommand : UiTexts::txtLogShortReply;
  log_.addLogLine(uiText(UiTexts::Id(text)) + numToHex(frame[3]) + uiText(UiTexts::txtLogBuf) + hexDump(frame));
  removeFrame(frame);
}

void DeviceLink::onVersion(std::span<const std::uint8_t> frame) {
  const auto payload = payloadOf(frame);
  if (payload.size() < VersionSize) return discardUnreadable(frame);
  // A second answer to a version request the tick repeated: the barrier is
  // the same, and reading it again would take away what its read has said.
  if (!frameAnswersRequest_ && model_.connected() &&
      std::equal(model_.versionInfo.begin(), model_.versionInfo.end(), payload.begin())) {
    removeFrame(frame);
    state_.linkCounter = LinkAlive;
    return;
  }
  model_.versionInfo.assign(payload.begin(), payload.begin() + VersionSize);
  supplyReplies_ = 0;
  unsigned raw = payload[0];
  if (raw > 6) {
    log_.addLogLine(uiText(UiTexts::txtLogBadBeamCount) + QString::number(raw + 2));
    raw = 6;
  }
  model_.beamCount = std::uint8_t(raw + 2);
  // A configuration loaded for another beam count stays so, and its send asks first.
  if (!model_.changed(BarrierConfig::BeamCount)) model_.editConfig[BarrierConfig::BeamCount] = model_.beamCount;
  model_.deviceConfig[BarrierConfig::BeamCount] = model_.beamCount;
  removeFrame(frame);
  state_.linkCounter = LinkAlive;
  state_.barrierName = identificationText().simplified();
  state_.barrierPort = port_.deviceName();
  startRead(true);  // every (re)connection reads the configuration
  state_.reconnectionRead = true;
  state_.editsKept = false;
  state_.beepStale = true;
  tellObservers([&](LinkObserver& o) { o.barrierIdentified(model_.versionInfo, model_.beamCount); });
}

void DeviceLink::startRead(bool keepsEdits) {
  // A read the user asked for replaces the editors even when a check joins it.
  state_.readKeepsEdits = keepsEdits && (state_.readStep == 0 || state_.readKeepsEdits);
  state_.readStep = 2;
  state_.returnedIndices = 0;
}

void DeviceLink::onData(std::span<const std::uint8_t> frame, std::size_t firstIndex) {
  const auto payload = payloadOf(frame);
  // Bytes that would land past the block's end are ignored.
  const std::size_t count = std::min(payload.size(), BarrierConfig::Size - firstIndex);
  // What a send under way or being checked carries counts as unsent until the
  // barrier is seen to hold it, even where it came from a file.
  const bool sending = state_.writeStep != 0 || state_.writeCheckPending;
  for (std::size_t k = 0; k < count; ++k) {
    const std::size_t i = firstIndex + k;
    // An unsent edit stays, to be sent again, unless the user asked to read.
    if (state_.readKeepsEdits && (model_.changed(i) || (sending && writecheck::carries(i))))
      state_.editsKept = state_.editsKept || model_.editConfig[i] != payload[k];
    else
      model_.editConfig[i] = payload[k];
    model_.deviceConfig[i] = payload[k];
    state_.returnedIndices |= writecheck::ReturnedMask(1) << i;
  }
  removeFrame(frame);
  state_.linkCounter = LinkAlive;
  state_.readStep = firstIndex == 0 ? 0 : 1;
  if (state_.readStep == 0) {
    tellObservers([&](LinkObserver& o) { o.configurationRead(model_.deviceConfig); });
    endRead();
  }
  view_.refreshEditors();
  log_.addLogLine(hexDump(std::span(model_.editConfig.bytes).subspan(1, 10)));
}

// The end of every read: the only moment the program knows what the barrier
// holds. A send is done when the read shows the barrier holds what was sent;
// a send the loss interrupted is not resumed, since the barrier that answers
// now may be another one, but its edits stay for the user to send again.
void DeviceLink::endRead() {
  QStringList notices;
  const bool interrupted = state_.writeStep != 0 && state_.writeStale;
  if (interrupted || state_.writeCheckPending) {
    BarrierConfig expected = model_.editConfig;  // for a block never sent: what the user wants
    for (std::uint8_t block : {writecheck::From16, writecheck::From0})
      if (state_.blocksSent & block)
        for (std::size_t i = writecheck::firstIndex(block);
             i < writecheck::firstIndex(block) + writecheck::indexCount(block); ++i)
          expected[i] = state_.sent[i];
    const auto& read = model_.deviceConfig;
    if (interrupted) {
      state_.writeStep = 0;
      const std::uint8_t held = writecheck::blocksHeld(expected, read, state_.returnedIndices);
      const std::uint8_t reached = held & state_.blocksSent;  // a block never sent reached nothing
      const auto blockText = [](std::uint8_t block) {
        return uiText(block == writecheck::From16 ? UiTexts::txtBlockFrom16 : UiTexts::txtBlockFrom0);
      };
      if (held != writecheck::Both && reached == 0)
        notices << uiText(UiTexts::txtWriteNotDone);
      else if (held != writecheck::Both)
        notices << uiText(UiTexts::txtWritePartly).arg(blockText(reached), blockText(writecheck::Both & ~held));
      const QString notice = notices.value(0);
      tellObservers([&](LinkObserver& o) {
        if (notice.isEmpty())
          o.writeConfirmed(read);
        else
          o.writeDropped(notice);
      });
    } else if (const QStringList fields = writecheck::differingFields(expected, read, state_.returnedIndices);
               !fields.isEmpty()) {
      notices << uiText(UiTexts::txtWriteNotConfirmed).arg(fields.join(QStringLiteral(", ")));
      tellObservers([&](LinkObserver& o) { o.writeDropped(notices.last()); });
    } else {
      tellObservers([&](LinkObserver& o) { o.writeConfirmed(read); });
    }
  } else if (state_.reconnectionRead && state_.editsKept && state_.writeStep == 0) {
    notices << uiText(UiTexts::txtEditsKept);  // (a send still pending carries them on)
  }
  if (state_.reconnectionRead && state_.resetDropped) notices << uiText(UiTexts::txtResetNotDone);
  // A clean reconnection or a send seen done takes away what was said before.
  if (!notices.isEmpty() || state_.reconnectionRead || state_.writeCheckPending)
    showNotice(notices.join(QLatin1Char(' ')));
  if (state_.reconnectionRead) state_.resetDropped = false;
  state_.writeStale = false;
  state_.writeCheckPending = false;
  state_.readKeepsEdits = false;
  state_.reconnectionRead = false;
  state_.editsKept = false;
}

void DeviceLink::showNotice(const QString& text) {
  if (text.isEmpty()) return view_.showNotice(text);
  log_.addLogLine(text);
  view_.showNotice(state_.barrierName.isEmpty()
                       ? text
                       : uiText(UiTexts::txtNoticeAbout).arg(state_.barrierName, state_.barrierPort, text));
}

void DeviceLink::onWriteConfirmed(std::span<const std::uint8_t> frame, std::uint8_t block, int logText) {
  removeFrame(frame);
  log_.addLogLine(uiText(UiTexts::Id(logText)));
  state_.linkCounter = LinkAlive;
  // Left over from a request sent before this send began: it confirms nothing of it.
  if (!(state_.blocksSent & block)) return;
  state_.writeStep = block == writecheck::From0 ? 0 : 1;
  if (state_.writeStep == 0) {
    state_.writeCheckPending = true;
    startRead(true);
  }
  view_.refreshEditors();
}

void DeviceLink::onReset(std::span<const std::uint8_t> frame) {
  removeFrame(frame);
  state_.linkCounter = LinkAlive;
  state_.resetPending = false;
  view_.setButtonEnabled(ToolButton::Reset, true);
  tellObservers([](LinkObserver& o) { o.resetConfirmed(); });
}

void DeviceLink::onStatus(std::span<const std::uint8_t> frame) {
  const auto p = payloadOf(frame);
  if (p.size() < StatusSize) return discardUnreadable(frame);
  BarrierStatus& s = model_.status;
  bool changed = false;

  log_.setStatusFrame(frame);

  const struct {
    std::size_t byte;
    std::uint8_t BarrierStatus::*field;
    UiTexts::Id label;
  } perBeam[] = {
      {5, &BarrierStatus::beamsNar, UiTexts::txtLogBeamsNar},
      {6, &BarrierStatus::beamsBlocked, UiTexts::txtLogBlocked},
      {7, &BarrierStatus::beamsBlockMemory, UiTexts::txtLogBlockMemory},
      {4, &BarrierStatus::beams50, UiTexts::txtLogBeams50},
      {0, &BarrierStatus::beamsAlarm, UiTexts::txtLogBeamsAlarm},
  };
  for (const auto& entry : perBeam) {
    if (p[entry.byte] != s.*entry.field) {
      changed = true;
      log_.logStateLine(uiText(entry.label), p[entry.byte], model_.shownBeams());
    }
    s.*entry.field = p[entry.byte];
  }

  s.beamsDiag = 0;
  if (frame[2] == DiagStatusLength)
    for (int j = 0; j < 8; ++j)
      if (p[9 + std::size_t(j)] != 0) s.beamsDiag |= std::uint8_t(1u << j);

  if (p[3] != s.beamsAlert) changed = true;
  s.beamsAlert = p[3];

  const QString supplyBefore = model_.supplyText;
  model_.updateSupply(p[1]);

  // The barrier leaves registration mode with a new transmitter: read it.
  if ((s.statusFlags & statusflag::Registration) && !(p[2] & statusflag::Registration)) readCommand(true);

  if (p[2] != s.statusFlags) {
    changed = true;
    log_.logStateLine(uiText(UiTexts::txtLogStatus), p[2], 7);
  }
  s.statusFlags = p[2];
  const bool sabotageChanged = s.sabotageFlags != p[8];
  s.sabotageFlags = p[8];
  if (changed || sabotageChanged || state_.beepStale)
    tellObservers([&](LinkObserver& o) { o.statusChanged(s, frame); });
  // The filter starts at 0 V, or at the last barrier's supply: until it has
  // settled, what it shows is no reading of this barrier.
  const bool settledNow = supplyReplies_ < SupplySettleReplies && ++supplyReplies_ == SupplySettleReplies;
  if (settledNow || (supplyReplies_ == SupplySettleReplies && model_.supplyText != supplyBefore))
    tellObservers([&](LinkObserver& o) { o.supplyTextChanged(model_.supplyText); });

  // After a reconnection the alarm sounds again even when the alert bits
  // are the ones the lost barrier last sent.
  if (changed || state_.beepStale) {
    view_.drawBarrier();
    view_.setBeep();
    state_.beepStale = false;
  }
  removeFrame(frame);
  state_.linkCounter = LinkAlive;
  view_.setStatusLabel(uiText(UiTexts::txtStatuses) + QLatin1Char(':') + hexDump(p.first(6)));
  if (frameAnswersRequest_ && !view_.stopTicked()) view_.scheduleAfterStatus(StatusPauseMs);
}

void DeviceLink::statusPauseElapsed() {
  if (view_.stopTicked()) return;
  // A request sent now would cross a reply on its way in, which could then
  // pass for its answer.
  if (replyArriving()) {
    held_ = Held::Continuation;
    return;
  }
  if (state_.readStep + state_.writeStep != 0 || state_.resetPending)
    cycleStep();
  else
    askStatus();
}

// ---- Request cycle --------------------------------------------------------

void DeviceLink::showGauge() { view_.setGauge(gauge_.progress, gauge_.foreground, gauge_.background); }

void DeviceLink::cycleStep() {
  if (view_.stopTicked()) return;
  const bool dialog = view_.portDialogShowing();
  if (!dialog && !port_.isOpen()) {
    port_.open();
    if (port_.isOpen()) {
      traffic_.opened(port_.deviceName());
      tellObservers([&](LinkObserver& o) { o.portOpened(port_.deviceName()); });
    }
    port_.setDtr(state_.dtrOn);
    port_.setRts(state_.rtsOn);
    gauge_.restart();
    showGauge();
  }
  const bool open = port_.isOpen();
  view_.setPortStatus(port_.deviceName() + uiText(open ? UiTexts::txtOpened : UiTexts::txtClosed));
  if (!open) view_.setGauge(gauge_.progress, colors::Grey, colors::Grey);
  if (dialog || !open) return;

  refreshIdentification();
  if (state_.linkCounter <= LinkFailing)
    forgetBarrier(LinkLoss::Silence);
  else
    --state_.linkCounter;

  // A late reply that is coming in is let in rather than asked for again.
  if (replyArriving()) {
    held_ = awaitingReply_ ? Held::Retry : Held::Tick;
    return;
  }
  sendNextRequest();
}

void DeviceLink::resumeHeldRequest() {
  const Held held = held_;
  held_ = Held::None;
  if (view_.stopTicked() || view_.portDialogShowing() || !port_.isOpen()) return;
  if (held == Held::Continuation)
    statusPauseElapsed();
  else if (held == Held::Tick || (held == Held::Retry && awaitingReply_))
    sendNextRequest();
}

void DeviceLink::forgetRequest() {
  awaitingReply_ = false;
  held_ = Held::None;
  lineWentQuiet_ = false;
}

void DeviceLink::sendNextRequest() {
  if (state_.linkCounter <= LinkFailing) {
    askVersion();
  } else if (model_.connected()) {
    log_.addLogLine(uiText(UiTexts::txtLogTimer) + hexDump(state_.rxBuffer.bytes()));
    if (state_.resetPending)
      askReset();
    else if (state_.readStep == 2)
      askData2();
    else if (state_.readStep == 1)
      askData();
    else if (state_.writeStep == 2)
      askWrite2();
    else if (state_.writeStep == 1)
      askWrite();
    else
      askStatus();
  }
}

void DeviceLink::forgetBarrier(LinkLoss reason) {
  if (model_.connected()) tellObservers([&](LinkObserver& o) { o.barrierLost(reason); });
  model_.versionInfo.clear();
  model_.status = BarrierStatus{};
  if (state_.writeStep != 0) state_.writeStale = true;
  // Never run on whichever barrier answers next: its block memory is evidence.
  if (state_.resetPending) {
    state_.resetPending = false;
    state_.resetDropped = true;
    view_.setButtonEnabled(ToolButton::Reset, true);
    showNotice(uiText(UiTexts::txtResetNotDone));
  }
  state_.beepStale = true;
}

void DeviceLink::onDeviceLost() {
  forgetBarrier(LinkLoss::Unplugged);
  forgetRequest();
  tellObservers([](LinkObserver& o) { o.portClosed(); });
  traffic_.closed();
  // The next opening asks for the version at its first tick.
  state_.linkCounter = 0;
  state_.rxBuffer.removeFront(state_.rxBuffer.size());
  refreshIdentification();
  view_.drawBarrier();
}

// The bar's words live with the picture's other words (StatusWords).
QString DeviceLink::identificationText() const { return ::identificationText(model_); }

void DeviceLink::refreshIdentification() {
  if (model_.versionInfo.size() < VersionSize) {
    view_.setIdentification(identificationText(), colors::Silver, colors::Grey);
    view_.setBeep();
    return;
  }
  view_.setIdentification(identificationText(), colors::Yellow, colors::Green);
}

// ---- Commands -------------------------------------------------------------

void DeviceLink::readCommand(bool fromToolbar) {
  startRead(false);
  state_.reconnectionRead = false;  // what is read now is what was asked for
  view_.showNotice(QString());
  if (!fromToolbar) return;
  view_.setButtonEnabled(ToolButton::Read, false);
  view_.setButtonEnabled(ToolButton::Send, state_.writeStep == 0);
}

void DeviceLink::sendCommand(bool fromToolbar) {
  state_.writeStep = 2;
  // Without a barrier the connection read ends it: whichever barrier answers
  // may not be the one it was meant for.
  state_.writeStale = !model_.connected();
  state_.blocksSent = 0;
  state_.writeCheckPending = false;
  view_.showNotice(QString());
  if (!fromToolbar) return;
  view_.setButtonEnabled(ToolButton::Read, state_.readStep == 0);
  view_.setButtonEnabled(ToolButton::Send, false);
}

void DeviceLink::resetCommand(bool fromToolbar) {
  // Asked for without a barrier, it would erase the memory of whichever barrier answers next.
  if (!model_.connected()) {
    log_.addLogLine(uiText(UiTexts::txtResetNoBarrier));
    return view_.showNotice(uiText(UiTexts::txtResetNoBarrier));
  }
  state_.resetPending = true;
  if (fromToolbar) view_.setButtonEnabled(ToolButton::Reset, false);
}

void DeviceLink::portSettingsCommand() {
  const bool wasOpen = port_.isOpen();
  if (wasOpen) traffic_.closed();
  port_.close();
  forgetBarrier(LinkLoss::PortSettings);
  forgetRequest();
  if (wasOpen) tellObservers([](LinkObserver& o) { o.portClosed(); });
  refreshIdentification();
}
