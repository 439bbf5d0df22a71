#include "link/DeviceLink.h"

#include <algorithm>
#include <array>
#include <utility>

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

constexpr std::uint32_t bitOf(std::size_t index) { return std::uint32_t(1) << index; }

std::optional<std::uint16_t> serialIn(const BarrierConfig& config, std::uint32_t returned) {
  const std::uint32_t both = bitOf(BarrierConfig::SerialHigh) | bitOf(BarrierConfig::SerialLow);
  if ((returned & both) != both) return std::nullopt;
  return std::uint16_t(config.transmitterSerial());
}

}  // namespace

QString barrierNumber(const BarrierIdentity& barrier, const std::optional<BarrierIdentity>& other) {
  const QString model = uiText(UiTexts::txtOrvitaIdent).trimmed() + QLatin1Char(' ') +
                        QString::number(std::min(barrier.version[0], std::uint8_t(6)) + 2) + QStringLiteral(" v.") +
                        barrierFirmwareVersion(barrier.version);
  if (!barrier.serial) return model;
  const QString number = QString::number(*barrier.serial);
  return other && other->serial == barrier.serial ? number + QStringLiteral(" (") + model + QLatin1Char(')') : number;
}

QString noticeNaming(UiTexts::Id text, const QStringList& fields, const QString& barrier, const QString& port) {
  QString notice = uiText(text);
  const qsizetype room = NoticeLength - notice.size() - barrier.size() - port.size();
  QString named = fields.value(0);
  for (qsizetype k = 1; k < fields.size(); ++k) {
    if (named.size() + 2 + fields[k].size() > room) {
      // The ellipsis ends the sentence in place of its full stop.
      named += QChar(0x2026);
      notice.replace(QStringLiteral("%1."), QStringLiteral("%1"));
      break;
    }
    named += QStringLiteral(", ") + fields[k];
  }
  return notice.arg(named);
}

DeviceLink::DeviceLink(BarrierModel& model, LinkState& state, SerialLine& port, EventLog& log, LinkView& view)
    : model_(model), state_(state), port_(port), log_(log), view_(view) {}

void DeviceLink::addObserver(LinkObserver* observer) {
  if (observer && std::find(observers_.begin(), observers_.end(), observer) == observers_.end())
    observers_.push_back(observer);
}

void DeviceLink::removeObserver(LinkObserver* observer) { std::erase(observers_, observer); }

// ---- Requests -------------------------------------------------------------

void DeviceLink::send(std::uint8_t command, std::span<const std::uint8_t> payload, int logText) {
  const std::vector<std::uint8_t> bytes = buildFrame(command, payload);
  awaitedCommand_ = command;
  awaitingReply_ = true;
  held_ = Held::None;
  askForBytes();
  if (!bytes.empty()) port_.write(bytes.data(), std::int32_t(bytes.size()));
  traffic_.sent(bytes);
  if (logText != 0) log_.addLogLine(uiText(UiTexts::Id(logText)));
  // Every request, the version and the reset too: a tick then always means
  // a whole second without one. Written and restarted in one go on the main
  // thread: the same as stopping the timer before the write and starting it after.
  view_.restartCycleTimer();
}

void DeviceLink::askVersion() { send(frame::CmdVersion, {}, UiTexts::txtLogAskVer); }
void DeviceLink::askData() { send(frame::CmdData, {}, UiTexts::txtLogAskData); }
void DeviceLink::askStatus() { send(frame::CmdStatus, {}, 0); }
void DeviceLink::askData2() { send(frame::CmdData2, {}, UiTexts::txtLogAskData2); }
void DeviceLink::askReset() { send(frame::CmdReset, {}, UiTexts::txtLogAskRes); }

void DeviceLink::askWrite() { sendBlock(writecheck::From0, frame::CmdWrite, UiTexts::txtLogAskWrite); }
void DeviceLink::askWrite2() { sendBlock(writecheck::From16, frame::CmdWrite2, UiTexts::txtLogAskWrite2); }

void DeviceLink::sendBlock(std::uint8_t block, std::uint8_t command, int logText) {
  const auto bytes =
      std::span(model_.editConfig.bytes).subspan(writecheck::firstIndex(block), writecheck::indexCount(block));
  if (state_.blocksSent == 0) tellObservers([&](LinkObserver& o) { o.writeSent(model_.editConfig); });
  std::copy(bytes.begin(), bytes.end(), state_.sent.bytes.begin() + std::ptrdiff_t(writecheck::firstIndex(block)));
  state_.blocksSent |= block;
  send(command, bytes, logText);
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
  frameTaken_ = true;
  traffic_.accepted(rx, received);
  decodeReply(received);
  // An answered request is followed by the next one after the pause, so the
  // line is never idle while a barrier is identified: a cable moved to
  // another barrier always costs a reply, and the tick that follows checks.
  if (frameAnswersRequest_ && frameTaken_ && !view_.stopTicked()) view_.scheduleAfterStatus(StatusPauseMs);
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
  frameTaken_ = false;
}

void DeviceLink::onVersion(std::span<const std::uint8_t> frame) {
  const auto payload = payloadOf(frame);
  if (payload.size() < VersionSize) return discardUnreadable(frame);
  const auto version = payload.first(VersionSize);  // in the parser's copy of the frame
  removeFrame(frame);
  state_.linkCounter = LinkAlive;
  if (!model_.connected()) return identify(version);
  // Nobody asked for it: a stray copy, or another barrier's. The check tells
  // which; it takes away nothing the last read has said.
  if (!frameAnswersRequest_) {
    if (state_.check == IdentityCheck::Certain) doubtIdentity();
    return;
  }
  if (!std::equal(version.begin(), version.end(), model_.versionInfo.begin())) return replaceBarrier(version);
  if (state_.connectionUnread) {
    // Its serial number is not known yet: the read starts again, and what was
    // asked of the barrier meanwhile is not carried out on whichever answers.
    state_.check = IdentityCheck::Certain;
    if (state_.writeStep != 0) state_.writeStale = true;
    if (state_.resetPending) {
      state_.resetPending = false;
      state_.resetDropped = true;
      view_.setButtonEnabled(ToolButton::Reset, true);
      showNotice(uiText(UiTexts::txtResetNotDone));
    }
    startRead(true);
    return;
  }
  state_.check = IdentityCheck::AskSerial;
}

void DeviceLink::identify(std::span<const std::uint8_t> version) {
  model_.versionInfo.assign(version.begin(), version.end());
  supplyReplies_ = 0;
  unsigned raw = version[0];
  if (raw > 6) {
    log_.addLogLine(uiText(UiTexts::txtLogBadBeamCount) + QString::number(raw + 2));
    raw = 6;
  }
  model_.beamCount = std::uint8_t(raw + 2);
  state_.barrierName = identificationText().simplified();  // until its read brings the serial number
  state_.barrierPort = port_.deviceName();
  state_.check = IdentityCheck::Certain;
  state_.connectionUnread = true;
  startRead(true);  // every (re)connection reads the configuration
  state_.reconnectionRead = true;
  state_.editsKept = false;
  state_.beepStale = true;
  // The chain goes straight on to the read, with no tick to show the bar.
  refreshIdentification();
  tellObservers([&](LinkObserver& o) { o.barrierIdentified(model_.versionInfo, model_.beamCount); });
}

void DeviceLink::replaceBarrier(std::span<const std::uint8_t> version) {
  std::array<std::uint8_t, VersionSize> copy{};
  std::copy_n(version.begin(), VersionSize, copy.begin());
  forgetBarrier(LinkLoss::Silence);
  identify(copy);
}

void DeviceLink::doubtIdentity() {
  if (model_.connected()) state_.check = IdentityCheck::AskVersion;
}

void DeviceLink::checkSerial(std::span<const std::uint8_t> payload) {
  const std::optional<std::uint16_t> serial =
      payload.size() > BarrierConfig::SerialLow
          ? std::optional(std::uint16_t(payload[BarrierConfig::SerialHigh] * 256u + payload[BarrierConfig::SerialLow]))
          : std::nullopt;
  BarrierIdentity answering;
  std::copy_n(model_.versionInfo.begin(), VersionSize, answering.version.begin());
  answering.serial = serial;
  if (state_.workBarrier && isWorkBarrier(answering)) {
    state_.check = IdentityCheck::Certain;  // the work goes on where it was
    return;
  }
  replaceBarrier(answering.version);
}

bool DeviceLink::isWorkBarrier(const BarrierIdentity& read) const {
  const BarrierIdentity& work = *state_.workBarrier;
  if (work.version != read.version) return false;
  if (read.serial == work.serial) return true;
  // A send under way may have given it the serial number it carries.
  const bool sending = state_.writeStep != 0 || state_.writeCheckPending;
  return sending && (state_.blocksSent & writecheck::From0) && read.serial == state_.sent.transmitterSerial();
}

void DeviceLink::startRead(bool keepsEdits) {
  // A read the user asked for replaces the editors even when a check joins it.
  state_.readKeepsEdits = keepsEdits && (state_.readStep == 0 || state_.readKeepsEdits);
  state_.readStep = 2;
  state_.reading = BarrierConfig{};
  // The beam count is the version reply's, unless the block from index 16 brings its own.
  state_.reading[BarrierConfig::BeamCount] = model_.beamCount;
  state_.returnedIndices = bitOf(BarrierConfig::BeamCount);
}

void DeviceLink::onData(std::span<const std::uint8_t> frame, std::size_t firstIndex) {
  const auto payload = payloadOf(frame);  // in the parser's copy of the frame
  removeFrame(frame);
  state_.linkCounter = LinkAlive;
  // Only the answer to the read under way counts: a doubled or late copy
  // changes nothing, in either configuration.
  if (!frameAnswersRequest_) return;
  if (state_.check == IdentityCheck::AskSerial) {
    if (firstIndex == 0) checkSerial(payload);
    return;
  }
  if (state_.check != IdentityCheck::Certain || state_.readStep != (firstIndex == 0 ? 1 : 2)) return;
  // Bytes that would land past the block's end are ignored.
  const std::size_t count = std::min(payload.size(), BarrierConfig::Size - firstIndex);
  for (std::size_t k = 0; k < count; ++k) {
    state_.reading[firstIndex + k] = payload[k];
    state_.returnedIndices |= bitOf(firstIndex + k);
  }
  state_.readStep = firstIndex == 0 ? 0 : 1;
  if (state_.readStep == 0) endRead();
}

void DeviceLink::takeRead(bool keepEdits) {
  // What a send under way or being checked carries counts as unsent until the
  // barrier is seen to hold it, even where it came from a file; so does all
  // of a file opened before any barrier was read.
  const bool sending = state_.writeStep != 0 || state_.writeCheckPending;
  for (std::size_t i = 0; i < BarrierConfig::Size; ++i) {
    if (!(state_.returnedIndices & bitOf(i))) continue;
    const std::uint8_t value = state_.reading[i];
    const bool unsent = model_.changed(i) || (sending && writecheck::carries(i)) ||
                        (state_.editsAwaitBarrier && (writecheck::carries(i) || i == BarrierConfig::BeamCount));
    if (keepEdits && unsent)
      state_.editsKept = state_.editsKept || model_.editConfig[i] != value;
    else
      model_.editConfig[i] = value;
    model_.deviceConfig[i] = value;
  }
}

// The end of every read: the only moment the program knows what the barrier
// holds. A read that shows another barrier than the one the editors came
// from drops what was pending for that one and sets its unsent edits aside.
// Otherwise a send is done when the read shows the barrier holds what was
// sent; a send the loss interrupted is not resumed, but its edits stay for
// the user to send again.
void DeviceLink::endRead() {
  BarrierIdentity read;
  std::copy_n(model_.versionInfo.begin(), std::min(VersionSize, model_.versionInfo.size()), read.version.begin());
  read.serial = serialIn(state_.reading, state_.returnedIndices);
  const std::optional<BarrierIdentity> was = state_.workBarrier;
  const bool another = was && !isWorkBarrier(read);
  QStringList notices;
  QString dropped;  // what became of the pending work, when another barrier answers
  bool writeDropped = false, setAside = false;
  if (another) {
    const QString wasNumber = barrierNumber(*was, read);
    notices << uiText(UiTexts::txtOtherBarrier).arg(wasNumber);
    const bool sending = state_.writeStep != 0 || state_.writeCheckPending;
    if (sending) {
      writeDropped = true;
      notices
          << uiText(state_.blocksSent ? UiTexts::txtSwapWriteInterrupted : UiTexts::txtSwapWriteNotDone).arg(wasNumber);
      state_.writeStep = 0;
      view_.setButtonEnabled(ToolButton::Send, true);
    }
    if (state_.resetDropped || state_.resetPending) {
      notices << uiText(UiTexts::txtSwapResetNotDone).arg(wasNumber);
      state_.resetPending = false;
      state_.resetDropped = false;
      view_.setButtonEnabled(ToolButton::Reset, true);
    }
    dropped = notices.join(QLatin1Char(' '));
    // Read before the new barrier's values fill the model. A file opened
    // while no barrier answered is for whichever comes, and stays.
    std::uint32_t unsent = 0;
    if (!state_.editsAwaitBarrier)
      for (std::size_t i = 0; i < BarrierConfig::Size; ++i)
        if (writecheck::carries(i) && (model_.changed(i) || sending)) unsent |= bitOf(i);
    if (unsent != 0) {
      state_.setAside = {state_.editsMadeFor.value_or(*was), model_.editConfig, unsent};
      notices << uiText(UiTexts::txtEditsSetAside).arg(barrierNumber(state_.setAside.barrier, read));
      setAside = true;
    }
    state_.editsMadeFor.reset();
  }
  takeRead(state_.readKeepsEdits && (!another || state_.editsAwaitBarrier));
  state_.workBarrier = read;
  state_.barrierName = read.serial
                           ? uiText(UiTexts::txtBarrierNumbered).arg(barrierNumber(read, another ? was : std::nullopt))
                           : identificationText().simplified();
  const bool keptFile = state_.editsAwaitBarrier;
  state_.connectionUnread = false;
  state_.editsAwaitBarrier = false;
  view_.refreshEditors();
  log_.addLogLine(hexDump(std::span(model_.editConfig.bytes).subspan(1, 10)));
  tellObservers([&](LinkObserver& o) { o.configurationRead(model_.deviceConfig); });

  const bool interrupted = state_.writeStep != 0 && state_.writeStale;
  if (another) {
    if (writeDropped) tellObservers([&](LinkObserver& o) { o.writeDropped(dropped); });
    state_.sendFailureTold = state_.sendFailureTold || writeDropped;
  } else if (interrupted || state_.writeCheckPending) {
    if (interrupted) state_.writeStep = 0;
    const QString judged = judgeWrite();
    if (!judged.isEmpty()) {
      notices << judged;
      state_.sendFailureTold = true;
      tellObservers([&](LinkObserver& o) { o.writeDropped(judged); });
    } else {
      tellObservers([&](LinkObserver& o) { o.writeConfirmed(model_.deviceConfig); });
      if (std::exchange(state_.sendFailureTold, false)) notices << uiText(UiTexts::txtWriteCompleted);
    }
  } else if (state_.reconnectionRead && state_.editsKept && state_.writeStep == 0 && !keptFile) {
    notices << uiText(UiTexts::txtEditsKept);  // (a send still pending carries them on)
  }
  if (!another && state_.reconnectionRead && state_.resetDropped) notices << uiText(UiTexts::txtResetNotDone);
  // A clean reconnection or a send seen done takes away what was said before.
  if (!notices.isEmpty() || state_.reconnectionRead || state_.writeCheckPending)
    showNotice(notices.join(QLatin1Char(' ')));
  if (setAside) view_.offerSetAsideEdits();
  if (another) {
    const QString notice = uiText(UiTexts::txtNoticeAbout).arg(state_.barrierName, state_.barrierPort, dropped);
    tellObservers([&](LinkObserver& o) { o.barrierReplaced(*was, read, notice); });
  }
  if (state_.reconnectionRead) state_.resetDropped = false;
  state_.writeStale = false;
  state_.writeCheckPending = false;
  state_.readKeepsEdits = false;
  state_.reconnectionRead = false;
  state_.editsKept = false;
}

// Names only the values the barrier does not hold as the send meant them.
QString DeviceLink::judgeWrite() {
  BarrierConfig expected = model_.editConfig;  // for a block never sent: what the user wants
  for (std::uint8_t block : {writecheck::From16, writecheck::From0})
    if (state_.blocksSent & block)
      for (std::size_t i = writecheck::firstIndex(block);
           i < writecheck::firstIndex(block) + writecheck::indexCount(block); ++i)
        expected[i] = state_.sent[i];
  const QStringList differing = writecheck::differingFields(expected, model_.deviceConfig, state_.returnedIndices);
  if (differing.isEmpty()) return {};
  return noticeNaming(state_.writeCheckPending ? UiTexts::txtWriteNotConfirmed : UiTexts::txtWriteNotDone, differing,
                      state_.barrierName, state_.barrierPort);
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
  // Left over from a request sent before this send began, or doubled: it
  // confirms nothing of it; nor while the barrier's identity is in doubt.
  if (!frameAnswersRequest_ || state_.check != IdentityCheck::Certain || !(state_.blocksSent & block)) return;
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
  if (!frameAnswersRequest_ || state_.check != IdentityCheck::Certain || !state_.resetPending) return;
  state_.resetPending = false;
  view_.setButtonEnabled(ToolButton::Reset, true);
  tellObservers([](LinkObserver& o) { o.resetConfirmed(); });
}

void DeviceLink::onStatus(std::span<const std::uint8_t> frame) {
  const auto p = payloadOf(frame);
  if (p.size() < StatusSize) return discardUnreadable(frame);
  // It may be another barrier's: nothing of it reaches the picture or the journal.
  if (!model_.connected() || state_.check != IdentityCheck::Certain) {
    removeFrame(frame);
    state_.linkCounter = LinkAlive;
    return;
  }
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
}

void DeviceLink::statusPauseElapsed() {
  if (view_.stopTicked() || view_.portDialogShowing() || !port_.isOpen()) return;
  // A request sent now would cross a reply on its way in, which could then
  // pass for its answer.
  if (replyArriving()) {
    held_ = Held::Continuation;
    return;
  }
  sendNextRequest();
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
  if (model_.connected()) {
    log_.addLogLine(uiText(UiTexts::txtLogTimer) + hexDump(state_.rxBuffer.bytes()));
    doubtIdentity();
  }

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
  if (state_.linkCounter <= LinkFailing) return askVersion();
  if (!model_.connected()) return;
  if (state_.check == IdentityCheck::AskVersion) return askVersion();
  if (state_.check == IdentityCheck::AskSerial) return askData();  // the block holding the serial number
  // What changes the barrier waits until its first read has shown which one it is.
  const bool known = !state_.connectionUnread;
  if (known && state_.resetPending)
    askReset();
  else if (state_.readStep == 2)
    askData2();
  else if (state_.readStep == 1)
    askData();
  else if (known && !state_.writeStale && state_.writeStep == 2)
    askWrite2();
  else if (known && !state_.writeStale && state_.writeStep == 1)
    askWrite();
  else
    askStatus();
}

void DeviceLink::forgetBarrier(LinkLoss reason) {
  if (model_.connected()) tellObservers([&](LinkObserver& o) { o.barrierLost(reason); });
  model_.versionInfo.clear();
  model_.status = BarrierStatus{};
  state_.check = IdentityCheck::Certain;
  state_.connectionUnread = false;
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
  // Sent to the barrier connected, the editors' values are its own from now on.
  if (model_.connected()) state_.editsMadeFor.reset();
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

void DeviceLink::configurationLoaded() {
  if (!model_.connected() || state_.connectionUnread) state_.editsAwaitBarrier = true;
  // A file is for whichever barrier it is sent to.
  state_.editsMadeFor.reset();
}

void DeviceLink::restoreSetAsideEdits() {
  const SetAsideEdits kept = std::exchange(state_.setAside, SetAsideEdits{});
  if (kept.indices == 0) return;
  for (std::size_t i = 0; i < BarrierConfig::Size; ++i)
    if (kept.indices & bitOf(i)) model_.editConfig[i] = kept.values[i];
  if (state_.workBarrier == kept.barrier)
    state_.editsMadeFor.reset();
  else
    state_.editsMadeFor = kept.barrier;
  view_.refreshEditors();
}

std::optional<std::pair<BarrierIdentity, BarrierIdentity>> DeviceLink::editsForAnotherBarrier() const {
  if (!model_.connected() || !state_.editsMadeFor || !state_.workBarrier || *state_.editsMadeFor == *state_.workBarrier)
    return std::nullopt;
  return std::pair{*state_.editsMadeFor, *state_.workBarrier};
}
