#include "cli/StatusReport.h"

#include <QJsonArray>

#include "link/StatusWords.h"
#include "texts/UiTexts.h"

namespace {

bool isSet(std::uint8_t byte, int beam) { return (byte & beamBit(beam)) != 0; }

QString beamStateText(BeamState state) {
  switch (state) {
    case BeamState::Normal:
      return uiText(UiTexts::txtCliBeamNormal);
    case BeamState::Nar:
      return uiText(UiTexts::txtCliBeamNar);
    case BeamState::Half:
      return uiText(UiTexts::txtCliBeam50);
    case BeamState::Alert:
      return uiText(UiTexts::txtCliBeamAlert);
    case BeamState::Blocked:
      return uiText(UiTexts::txtCliBeamBlocked);
    case BeamState::Off:
      break;
  }
  return uiText(UiTexts::txtBeamOff);
}

QString beamStateKey(BeamState state) {
  switch (state) {
    case BeamState::Normal:
      return QStringLiteral("normal");
    case BeamState::Nar:
      return QStringLiteral("nar");
    case BeamState::Half:
      return QStringLiteral("half");
    case BeamState::Alert:
      return QStringLiteral("alert");
    case BeamState::Blocked:
      return QStringLiteral("blocked");
    case BeamState::Off:
      break;
  }
  return QStringLiteral("off");
}

bool switchedOff(const BarrierModel& model, int beam) {
  return model.deviceConfig[BarrierConfig::responseTime(beam)] == 0;
}

}  // namespace

BeamState beamState(const BarrierModel& model, int beam) {
  const BarrierStatus& s = model.status;
  BeamState state = BeamState::Normal;
  if (isSet(s.beamsNar, beam)) state = BeamState::Nar;
  if (isSet(s.beams50, beam)) state = BeamState::Half;
  if (isSet(s.beamsAlert, beam)) state = BeamState::Alert;
  if (isSet(s.beamsBlocked, beam)) state = BeamState::Blocked;
  if (switchedOff(model, beam)) state = BeamState::Off;
  return state;
}

QStringList statusLines(const BarrierModel& model) {
  QStringList lines;
  for (int b = 1; b <= model.shownBeams(); ++b) {
    QString line = uiText(UiTexts::txtBeam) + QLatin1Char(' ') + QString::number(b) + QStringLiteral(": ") +
                   beamStateText(beamState(model, b));
    if (isSet(model.status.beamsBlockMemory, b)) line += QStringLiteral(", ") + uiText(UiTexts::txtCliBeamBlockMemory);
    lines << line;
  }
  lines << alarmOutputText(model.status.statusFlags) << tamperOutputText(model.status.statusFlags)
        << supplyBoxText(model);
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
