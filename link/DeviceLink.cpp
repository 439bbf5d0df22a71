#include "DeviceLink.h"

#include "Frame.h"
#include "MyTools.h"
#include "Unit1txt.h"

#include <algorithm>
#include <array>

namespace {

constexpr std::size_t VersionSize = 8;
constexpr std::size_t StatusSize = 9;        // payload bytes every status reply must carry
constexpr std::uint8_t DiagStatusLength = 19;
constexpr std::uint8_t LinkAlive = 10;
constexpr std::uint8_t LinkFailing = 5;      // at or below: the barrier counts as lost

std::span<const std::uint8_t> Payload(std::span<const std::uint8_t> frame) {
  const std::size_t length = frame[2];
  return length < 2 ? std::span<const std::uint8_t>{} : frame.subspan(frame::PayloadOffset, length - 2);
}

}  // namespace

DeviceLink::DeviceLink(BarrierModel& model, LinkState& state, SerialLine& port, EventLog& log, LinkView& view)
    : model_(model), state_(state), port_(port), log_(log), view_(view) {}

// ---- Requests -------------------------------------------------------------

void DeviceLink::Send(std::uint8_t command, std::span<const std::uint8_t> payload, int logText,
                      bool restartsTimer) {
  const std::vector<std::uint8_t> bytes = buildFrame(command, payload);
  if (!bytes.empty()) port_.Write(bytes.data(), std::int32_t(bytes.size()));
  if (logText != 0) log_.AddLogLine(Text(Unit1txt::Id(logText)));
  // Written and restarted in one go on the main thread: the same as stopping
  // the timer before the write and starting it after.
  if (restartsTimer) view_.RestartCycleTimer();
}

void DeviceLink::Ask_ver() { Send(frame::CmdVersion, {}, Unit1txt::txtLogAskVer, false); }
void DeviceLink::Ask_data() { Send(frame::CmdData, {}, Unit1txt::txtLogAskData, true); }
void DeviceLink::Ask_status() { Send(frame::CmdStatus, {}, 0, true); }
void DeviceLink::Ask_data2() { Send(frame::CmdData2, {}, Unit1txt::txtLogAskData2, true); }
void DeviceLink::Ask_res() { Send(frame::CmdReset, {}, Unit1txt::txtLogAskRes, false); }

void DeviceLink::Ask_write() {
  const auto& c = model_.editConfig.bytes;
  Send(frame::CmdWrite, std::span(c).subspan(0, 12), Unit1txt::txtLogAskWrite, true);
}

void DeviceLink::Ask_write2() {
  const auto& c = model_.editConfig.bytes;
  Send(frame::CmdWrite2, std::span(c).subspan(BarrierConfig::AutoBlockTime, 9), Unit1txt::txtLogAskWrite2, true);
}

// ---- Receive path ---------------------------------------------------------

void DeviceLink::CommRxCharSignal(std::int32_t count) {
  if (count <= 0 || !port_.IsOpen()) return;
  std::array<std::uint8_t, StagingSize> staging{};
  const std::int32_t wanted = std::min<std::int32_t>(count, std::int32_t(staging.size()));
  const std::int32_t n = port_.Read(staging.data(), wanted);
  if (n <= 0) return;
  // Bytes beyond the buffer's room are dropped; frames handled later make room.
  state_.rxBuffer.Append(std::span<const std::uint8_t>(staging.data(), std::size_t(std::min(n, wanted))));
  ParseFrames();
  gauge_.Step();
  ShowGauge();
}

void DeviceLink::ParseFrames() {
  RxBuffer& rx = state_.rxBuffer;
  while (rx.size() > 3 && !(rx[0] == frame::Start && rx[1] == frame::Start && rx[2] != frame::Start))
    rx.RemoveFront(1);
  if (rx.size() <= 3) return;

  const std::uint8_t length = rx[2];
  if (length > frame::MaxLength) {
    std::vector<std::uint8_t> dump{std::uint8_t(rx.size())};
    dump.insert(dump.end(), rx.bytes().begin(), rx.bytes().end());
    log_.AddLogLine(Text(Unit1txt::txtLogTooLong) + NumToHex(length) + Text(Unit1txt::txtLogBuf) + HexDump(dump));
    rx.RemoveFront(1);
    return;
  }
  const std::size_t size = frame::FrameSize(length);
  if (rx.size() < size) return;

  // A copy, so handlers may remove the frame from rxBuffer while reading it.
  std::array<std::uint8_t, frame::MaxSize> copy{};
  std::copy_n(rx.bytes().begin(), size, copy.begin());
  const std::span<const std::uint8_t> received(copy.data(), size);
  const std::uint8_t expected = checkByte(received.first(size - 1));
  if (expected != received[size - 1]) {
    log_.AddLogLine(Text(Unit1txt::txtLogBadCrc) + NumToHex(expected) + Text(Unit1txt::txtLogBuf) + HexDump(received));
    rx.RemoveFront(1);
    return;
  }
  decodeReply(received);
}

// ---- Reply decoding -------------------------------------------------------

void DeviceLink::decodeReply(std::span<const std::uint8_t> frame) {
  switch (frame[3]) {
    case frame::CmdVersion: return OnVersion(frame);
    case frame::CmdData: return OnData(frame, 0);
    case frame::CmdData2: return OnData(frame, BarrierConfig::AutoBlockTime);
    case frame::CmdWrite2: return OnWriteConfirmed(frame, 16, 30, Unit1txt::txtLogWrite2Ok);
    case frame::CmdWrite: return OnWriteConfirmed(frame, 0, 14, Unit1txt::txtLogWriteOk);
    case frame::CmdReset: return OnReset(frame);
    case frame::CmdStatus: return OnStatus(frame);
    default: return DiscardUnreadable(frame);
  }
}

void DeviceLink::RemoveFrame(std::span<const std::uint8_t> frame) { state_.rxBuffer.RemoveFront(frame.size()); }

// A reply that a barrier cannot have meant (unknown command, too short to
// read) leaves with a log line and changes nothing else: not even the link
// counter, so a device that only talks nonsense still counts as lost.
void DeviceLink::DiscardUnreadable(std::span<const std::uint8_t> frame) {
  const int text = frame[3] > frame::LastCommand ? Unit1txt::txtLogUnknownCommand : Unit1txt::txtLogShortReply;
  log_.AddLogLine(Text(Unit1txt::Id(text)) + NumToHex(frame[3]) + Text(Unit1txt::txtLogBuf) + HexDump(frame));
  RemoveFrame(frame);
}

void DeviceLink::OnVersion(std::span<const std::uint8_t> frame) {
  const auto payload = Payload(frame);
  if (payload.size() < VersionSize) return DiscardUnreadable(frame);
  model_.versionInfo.assign(payload.begin(), payload.begin() + VersionSize);
  unsigned raw = payload[0];
  if (raw > 6) {
    log_.AddLogLine(Text(Unit1txt::txtLogBadBeamCount) + QString::number(raw + 2));
    raw = 6;
  }
  model_.beamCount = std::uint8_t(raw + 2);
  model_.editConfig[BarrierConfig::BeamCount] = model_.beamCount;
  model_.deviceConfig[BarrierConfig::BeamCount] = model_.beamCount;
  RemoveFrame(frame);
  state_.linkCounter = LinkAlive;
  state_.readStep = 2;  // every (re)connection reads the configuration
}

void DeviceLink::OnData(std::span<const std::uint8_t> frame, std::size_t firstIndex) {
  const auto payload = Payload(frame);
  // Bytes that would land past the block's end are ignored.
  const std::size_t count = std::min(payload.size(), BarrierConfig::Size - firstIndex);
  for (std::size_t k = 0; k < count; ++k) {
    model_.editConfig[firstIndex + k] = payload[k];
    model_.deviceConfig[firstIndex + k] = payload[k];
  }
  RemoveFrame(frame);
  state_.linkCounter = LinkAlive;
  state_.readStep = firstIndex == 0 ? 0 : 1;
  view_.RefreshEditors();
  log_.AddLogLine(HexDump(std::span(model_.editConfig.bytes).subspan(1, 10)));
}

void DeviceLink::OnWriteConfirmed(std::span<const std::uint8_t> frame, std::size_t first, std::size_t last,
                                  int logText) {
  RemoveFrame(frame);
  log_.AddLogLine(Text(Unit1txt::Id(logText)));
  state_.linkCounter = LinkAlive;
  state_.writeStep = first == 0 ? 0 : 1;
  std::copy(model_.editConfig.bytes.begin() + std::ptrdiff_t(first),
            model_.editConfig.bytes.begin() + std::ptrdiff_t(last + 1),
            model_.deviceConfig.bytes.begin() + std::ptrdiff_t(first));
  view_.RefreshEditors();
}

void DeviceLink::OnReset(std::span<const std::uint8_t> frame) {
  RemoveFrame(frame);
  state_.linkCounter = LinkAlive;
  state_.resetPending = false;
  view_.SetButtonEnabled(ToolButton::Reset, true);
}

void DeviceLink::OnStatus(std::span<const std::uint8_t> frame) {
  const auto p = Payload(frame);
  if (p.size() < StatusSize) return DiscardUnreadable(frame);
  BarrierStatus& s = model_.status;
  bool changed = false;

  log_.SetStatusFrame(frame);

  const struct {
    std::size_t byte;
    std::uint8_t BarrierStatus::*field;
    Unit1txt::Id label;
  } perBeam[] = {
      {5, &BarrierStatus::beamsNar, Unit1txt::txtLogBeamsNar},
      {6, &BarrierStatus::beamsBlocked, Unit1txt::txtLogBlocked},
      {7, &BarrierStatus::beamsBlockMemory, Unit1txt::txtLogBlockMemory},
      {4, &BarrierStatus::beams50, Unit1txt::txtLogBeams50},
      {0, &BarrierStatus::beamsAlarm, Unit1txt::txtLogBeamsAlarm},
  };
  for (const auto& entry : perBeam) {
    if (p[entry.byte] != s.*entry.field) {
      changed = true;
      log_.LogStateLine(Text(entry.label), p[entry.byte], model_.ShownBeams());
    }
    s.*entry.field = p[entry.byte];
  }

  s.beamsDiag = 0;
  if (frame[2] == DiagStatusLength)
    for (int j = 0; j < 8; ++j)
      if (p[9 + std::size_t(j)] != 0) s.beamsDiag |= std::uint8_t(1u << j);

  if (p[3] != s.beamsAlert) changed = true;
  s.beamsAlert = p[3];

  model_.UpdateSupply(p[1]);

  // The barrier leaves registration mode with a new transmitter: read it.
  if ((s.statusFlags & statusflag::Registration) && !(p[2] & statusflag::Registration)) ReadCommand(true);

  if (p[2] != s.statusFlags) {
    changed = true;
    log_.LogStateLine(Text(Unit1txt::txtLogStatus), p[2], 7);
  }
  s.statusFlags = p[2];
  s.sabotageFlags = p[8];

  if (changed) {
    view_.DrawBarrier();
    view_.SetBeep();
  }
  RemoveFrame(frame);
  state_.linkCounter = LinkAlive;
  view_.SetStatusLabel(Text(Unit1txt::txtStatuses) + QLatin1Char(':') + HexDump(p.first(6)));
  if (!view_.StopTicked()) view_.ScheduleAfterStatus(StatusPauseMs);
}

void DeviceLink::StatusPauseElapsed() {
  if (view_.StopTicked()) return;
  if (state_.readStep + state_.writeStep != 0 || state_.resetPending)
    CycleStep();
  else
    Ask_status();
}

// ---- Request cycle --------------------------------------------------------

void DeviceLink::ShowGauge() { view_.SetGauge(gauge_.progress, gauge_.foreground, gauge_.background); }

void DeviceLink::CycleStep() {
  if (view_.StopTicked()) return;
  const bool dialog = view_.PortDialogShowing();
  if (!dialog && !port_.IsOpen()) {
    port_.Open();
    port_.SetDTR(state_.DtrOn);
    port_.SetRTS(state_.RtsOn);
    gauge_.Restart();
    ShowGauge();
  }
  const bool open = port_.IsOpen();
  view_.SetPortStatus(port_.DeviceName() + Text(open ? Unit1txt::txtOpened : Unit1txt::txtClosed));
  if (!open) view_.SetGauge(gauge_.progress, colors::Grey, colors::Grey);
  if (dialog || !open) return;

  RefreshIdentification();
  if (state_.linkCounter <= LinkFailing)
    model_.versionInfo.clear();
  else
    --state_.linkCounter;

  if (state_.linkCounter <= LinkFailing) {
    Ask_ver();
  } else if (model_.Connected()) {
    log_.AddLogLine(Text(Unit1txt::txtLogTimer) + HexDump(state_.rxBuffer.bytes()));
    if (state_.resetPending)
      Ask_res();
    else if (state_.readStep == 2)
      Ask_data2();
    else if (state_.readStep == 1)
      Ask_data();
    else if (state_.writeStep == 2)
      Ask_write2();
    else if (state_.writeStep == 1)
      Ask_write();
    else
      Ask_status();
  }
}

void DeviceLink::RefreshIdentification() {
  const auto& v = model_.versionInfo;
  if (v.size() < VersionSize) {
    view_.SetIdentification(Text(Unit1txt::txtNoConnection), colors::Silver, colors::Grey);
    view_.SetBeep();
    return;
  }
  const QString text = Text(Unit1txt::txtOrvitaIdent) + QString::number(model_.beamCount) + QStringLiteral(" v.") +
                       QString::number(v[1]) + QLatin1Char('.') + QString::number(v[2]) + QString::number(v[3]) +
                       QStringLiteral("    ") + NumToHex(v[4]) + NumToHex(v[5]) + QLatin1Char('-') + NumToHex(v[6]) +
                       QLatin1Char('-') + NumToHex(v[7]);
  view_.SetIdentification(text, colors::Yellow, colors::Green);
}

// ---- Commands -------------------------------------------------------------

void DeviceLink::ReadCommand(bool fromToolbar) {
  state_.readStep = 2;
  if (!fromToolbar) return;
  view_.SetButtonEnabled(ToolButton::Read, false);
  view_.SetButtonEnabled(ToolButton::Send, state_.writeStep == 0);
}

void DeviceLink::SendCommand(bool fromToolbar) {
  state_.writeStep = 2;
  if (!fromToolbar) return;
  view_.SetButtonEnabled(ToolButton::Read, state_.readStep == 0);
  view_.SetButtonEnabled(ToolButton::Send, false);
}

void DeviceLink::ResetCommand(bool fromToolbar) {
  state_.resetPending = true;
  if (fromToolbar) view_.SetButtonEnabled(ToolButton::Reset, false);
}

void DeviceLink::PortSettingsCommand() {
  port_.Close();
  model_.versionInfo.clear();
  RefreshIdentification();
}
