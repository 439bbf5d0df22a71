#include "cli/StatusReport.h"

#include <QJsonArray>

#include "link/StatusWords.h"
#include "texts/UiTexts.h"

namespace {

bool isSet(std::uint8_t byte, int beam) { return (byte & beamBit(beam)) != 0; }

QString beamStateKey(BeamLook state) {
  switch (state) {
    case BeamLook::Normal:
      return QStringLiteral("normal");
    case BeamLook::Nar:
      return QStringLiteral("nar");
    case BeamLook::Half:
      return QStringLiteral("half");
    case BeamLook::Alert:
      return QStringLiteral("alert");
    case BeamLook::Blocked:
      return QStringLiteral("blocked");
    case BeamLook::SwitchedOff:
      break;
  }
  return QStringLiteral("off");
}

bool switchedOff(const BarrierModel& model, int beam) {
  return model.deviceConfig[BarrierConfig::responseTime(beam)] == 0;
}

}  // namespace

BeamLook beamState(const BarrierModel& model, int beam) {
  const BarrierStatus& s = model.status;
  std::uint8_t off = 0;
  for (int b = 1; b <= MaxBeams; ++b)
    if (switchedOff(model, b)) off |= beamBit(b);
  return beamLook({s.beamsNar, s.beams50, s.beamsAlert, s.beamsBlocked, off}, beam);
}

QStringList statusLines(const BarrierModel& model) {
  QStringList lines;
  for (int b = 1; b <= model.shownBeams(); ++b) {
    QString line = uiText(UiTexts::txtBeam) + QLatin1Char(' ') + QString::number(b) + QStringLiteral(": ") +
                   beamLookText(beamState(model, b));
    if (isSet(model.status.beamsBlockMemory, b)) line += QStringLiteral(", ") + uiText(UiTexts::txtCliBeamBlockMemory);
    lines << line;
  }
  lines << alarmOutputText(model.status.statusFlags) << tamperOutputText(model.status.statusFlags)
        << supplyWords(model.supplyText.trimmed().toDouble());
  lines << statusHintText(model).split(QLatin1Char('\r'));
  return lines;
}

QJsonObject statusJson(const BarrierModel& model) {
  const BarrierStatus& s = model.status;
  QJsonArray beams;
  for (int b = 1; b <= model.shownBeams(); ++b) {
    beams.append(QJsonObject{
        {QStringLiteral("beam"), b},
        {QStringLiteral("state"), beamStateKey(beamState(model, b))},
        {QStringLiteral("alarm"), isSet(s.beamsAlarm, b)},
        {QStringLiteral("alert"), isSet(s.beamsAlert, b)},
        {QStringLiteral("half"), isSet(s.beams50, b)},
        {QStringLiteral("nar"), isSet(s.beamsNar, b)},
        {QStringLiteral("blocked"), isSet(s.beamsBlocked, b)},
        {QStringLiteral("blockMemory"), isSet(s.beamsBlockMemory, b)},
        {QStringLiteral("switchedOff"), switchedOff(model, b)},
    });
  }
  const auto flag = [&](std::uint8_t bit) { return (s.statusFlags & bit) != 0; };
  return QJsonObject{
      {QStringLiteral("beamCount"), model.shownBeams()},
      {QStringLiteral("beams"), beams},
      {QStringLiteral("alarmOutput"), flag(statusflag::AlarmOutput)},
      {QStringLiteral("tamperOutput"), flag(statusflag::TamperOutput)},
      {QStringLiteral("busTamper"), flag(statusflag::BusTamper)},
      {QStringLiteral("receiverTamper"), flag(statusflag::ReceiverTamper)},
      {QStringLiteral("transmitterTamper"), flag(statusflag::TransmitterTamper)},
      {QStringLiteral("lowSupply"), flag(statusflag::LowSupply)},
      {QStringLiteral("registrationMode"), flag(statusflag::Registration)},
      {QStringLiteral("led"), flag(statusflag::Led)},
      {QStringLiteral("coveredTooLong"), (s.sabotageFlags & 0x01) != 0},
      {QStringLiteral("supplyVolts"), model.supplyText.trimmed().toDouble()},
  };
}
