#include "link/FrameWords.h"

#include <QStringList>
#include <algorithm>
#include <bit>

#include "link/Frame.h"
#include "model/BarrierModel.h"
#include "texts/UiTexts.h"
#include "util/HexText.h"
#include "util/NumberText.h"

namespace {

using namespace UiTexts;

constexpr std::size_t ConfigReplyFirst[] = {0, 0, 0, 0, 0, 16};  // data from 0, data2 from 16

QString text(Id id) { return uiText(id); }

// Configuration bytes starting at block index `first`, as far as they go.
QString configWords(std::span<const std::uint8_t> values, std::size_t first, int beamCount) {
  const int beams = beamCount >= 2 && beamCount <= MaxBeams ? beamCount : MaxBeams;
  const auto has = [&](std::size_t index) { return index >= first && index - first < values.size(); };
  const auto at = [&](std::size_t index) { return values[index - first]; };
  QStringList parts;
  if (has(BarrierConfig::AlarmMode))
    parts << text(txtWordsAlarmMode).arg(text(at(BarrierConfig::AlarmMode) == 0 ? txtOneBeam : txtTwoBeams));
  QStringList times;
  for (int b = 1; b <= beams && has(BarrierConfig::responseTime(b)); ++b) {
    const unsigned steps = at(BarrierConfig::responseTime(b));
    times << (steps == 0 ? text(txtWordsOff) : QString::number(steps * 40));
  }
  if (!times.isEmpty()) parts << text(txtWordsResponse).arg(times.join(QLatin1Char(' ')));
  if (has(BarrierConfig::SerialLow))
    parts << text(txtWordsSerial).arg(at(BarrierConfig::SerialHigh) * 256u + at(BarrierConfig::SerialLow));
  if (has(BarrierConfig::MaxCoveredTime)) parts << text(txtWordsMaxCovered).arg(at(BarrierConfig::MaxCoveredTime));
  if (has(BarrierConfig::AutoBlockTime)) parts << text(txtWordsAutoBlockTime).arg(at(BarrierConfig::AutoBlockTime));
  QStringList counts;
  for (int b = 1; b <= beams && has(BarrierConfig::autoBlockCount(b)); ++b) {
    const unsigned count = at(BarrierConfig::autoBlockCount(b));
    counts << (count == 0 ? text(txtNoAutoBlock) : QString::number(count));
  }
  if (!counts.isEmpty()) parts << text(txtWordsAutoBlockCounts).arg(counts.join(QLatin1Char(' ')));
  return parts.join(QStringLiteral(", "));
}

QString beamsWords(std::uint8_t byte, Id one, Id several) {
  return text(std::popcount(byte) == 1 ? one : several)
      .arg(beamListText(std::span<const std::uint8_t>(&byte, 1)).trimmed());
}

QString statusWords(std::span<const std::uint8_t> p) {
  QStringList parts;
  const struct {
    std::size_t byte;
    Id one, several;
  } perBeam[] = {
      {0, txtWordsBeamCovered, txtWordsBeamsCovered}, {3, txtWordsBeamAlert, txtWordsBeamsAlert},
      {4, txtWordsBeam50, txtWordsBeams50},           {5, txtWordsBeamNar, txtWordsBeamsNar},
      {6, txtWordsBeamBlocked, txtWordsBeamsBlocked}, {7, txtWordsBeamMemory, txtWordsBeamsMemory},
  };
  for (const auto& entry : perBeam)
    if (p[entry.byte] != 0) parts << beamsWords(p[entry.byte], entry.one, entry.several);
  if (parts.isEmpty()) parts << text(txtWordsBeamsNormal);

  const std::uint8_t flags = p[2];
  const struct {
    std::uint8_t mask;
    Id words;
  } flagWords[] = {
      {statusflag::AlarmOutput, txtAlarm},
      {statusflag::TamperOutput, txtSabotage},
      {statusflag::BusTamper, txtHintBusTamper},
      {statusflag::ReceiverTamper, txtHintReceiverTamper},
      {statusflag::TransmitterTamper, txtHintTransmitterTamper},
      {statusflag::LowSupply, txtHintLowSupply},
      {statusflag::Registration, txtHintRegistration},
      {statusflag::Led, txtHintLedOn},
  };
  for (const auto& entry : flagWords)
    if (flags & entry.mask) parts << text(entry.words);
  if (p[8] & 0x01) parts << text(txtHintCoveredTooLong);
  if (p.size() >= 17) {
    // Beam b's diagnostic byte is payload 9 + 8 - b.
    std::uint8_t diag = 0;
    for (int b = 1; b <= MaxBeams; ++b)
      if (p[std::size_t(9 + 8 - b)] != 0) diag |= beamBit(b);
    if (diag != 0) parts << text(txtWordsDiag).arg(beamListText(std::span<const std::uint8_t>(&diag, 1)).trimmed());
  }
  parts << text(txtWordsSupply).arg(decimalText(supplyVolts(p[1]), 1));
  return parts.join(QStringLiteral(", "));
}

QString versionWords(std::span<const std::uint8_t> v) {
  const QString version = QString::number(v[1]) + QLatin1Char('.') + QString::number(v[2]) + QString::number(v[3]);
  const QString date =
      numToHex(v[4]) + numToHex(v[5]) + QLatin1Char('-') + numToHex(v[6]) + QLatin1Char('-') + numToHex(v[7]);
  return text(txtWordsVersion).arg(v[0] + 2).arg(version, date);
}

}  // namespace

QString commandName(int command) {
  static constexpr Id names[] = {txtCmdVersion, txtCmdData,  txtCmdWrite, txtCmdStatus,
                                 txtCmdWrite2,  txtCmdData2, txtCmdReset};
  if (command >= 0 && command <= frame::LastCommand) return text(names[command]);
  return numToHex(std::uint32_t(std::max(command, 0)));
}

QString frameWords(std::span<const std::uint8_t> frame, bool fromBarrier, int beamCount) {
  if (frame.size() < frame::HeaderSize + 1) return QString();
  const std::uint8_t command = frame[3];
  const auto payload = frame.subspan(frame::PayloadOffset, frame.size() - frame::PayloadOffset - 1);
  switch (command) {
    case frame::CmdVersion:
      if (!fromBarrier) return text(txtWordsAskVersion);
      return payload.size() >= 8 ? versionWords(payload) : text(txtWordsShort);
    case frame::CmdData:
    case frame::CmdData2:
      if (!fromBarrier) return text(txtWordsAskRead).arg(ConfigReplyFirst[command]);
      return configWords(payload, ConfigReplyFirst[command], beamCount);
    case frame::CmdWrite:
    case frame::CmdWrite2:
      if (fromBarrier) return text(txtWordsWriteDone);
      return text(txtWordsWriting)
          .arg(configWords(payload, command == frame::CmdWrite ? 0 : BarrierConfig::AutoBlockTime, beamCount));
    case frame::CmdStatus:
      if (!fromBarrier) return text(txtWordsAskStatus);
      return payload.size() >= 9 ? statusWords(payload) : text(txtWordsShort);
    case frame::CmdReset:
      return text(fromBarrier ? txtWordsResetDone : txtWordsAskReset);
    default:
      return uiText(txtLogUnknownCommand) + numToHex(command);
  }
}
