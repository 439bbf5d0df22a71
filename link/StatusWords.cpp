#include "link/StatusWords.h"

#include <QStringList>
#include <span>

#include "texts/UiTexts.h"
#include "util/HexText.h"
#include "util/NumberText.h"
#include "util/VersionText.h"

QString statusHintText(const BarrierModel& model) {
  using namespace UiTexts;
  const BarrierStatus& s = model.status;
  const auto beams = [](std::uint8_t byte) { return beamListText(std::span<const std::uint8_t>(&byte, 1)); };
  const unsigned flags = s.statusFlags;

  QStringList lines;
  if (s.beamsBlocked != 0) lines << uiText(txtHintBlocked) + QStringLiteral(":") + beams(s.beamsBlocked);
  if (s.beamsBlockMemory != 0) lines << uiText(txtHintBlockMemory) + QStringLiteral(":") + beams(s.beamsBlockMemory);
  if (s.sabotageFlags & 0x01) lines << uiText(txtHintCoveredTooLong);
  lines << uiText((flags & statusflag::BusTamper) ? txtHintBusTamper : txtHintBusOk);
  if (flags & statusflag::ReceiverTamper) lines << uiText(txtHintReceiverTamper);
  if (flags & statusflag::TransmitterTamper) lines << uiText(txtHintTransmitterTamper);
  if (flags & statusflag::LowSupply) lines << uiText(txtHintLowSupply);
  if (flags & statusflag::Registration) lines << uiText(txtHintRegistration);
  lines << uiText((flags & statusflag::Led) ? txtHintLedOn : txtHintLedOff);
  return lines.join(QLatin1Char('\r'));
}

QString alarmOutputText(std::uint8_t statusFlags) {
  return uiText((statusFlags & statusflag::AlarmOutput) ? UiTexts::txtAlarm : UiTexts::txtOutputNcOk);
}

QString tamperOutputText(std::uint8_t statusFlags) {
  return uiText((statusFlags & statusflag::TamperOutput) ? UiTexts::txtSabotage : UiTexts::txtOutputTmpOk);
}

QString supplyBoxText(const BarrierModel& model) {
  return uiText(UiTexts::txtSupply) + model.supplyText + uiText(UiTexts::txtVolt);
}

QString supplyWords(double volts) {
  return uiText(UiTexts::txtSupply) + decimalText(volts, 1) + uiText(UiTexts::txtVolt);
}

QString identificationText(const BarrierModel& model) {
  const auto& v = model.versionInfo;
  if (v.size() < 8) return uiText(UiTexts::txtNoConnection);  // no version reply yet
  return uiText(UiTexts::txtOrvitaIdent) + QString::number(model.beamCount) + QStringLiteral(" v.") +
         barrierFirmwareVersion(v) + QStringLiteral("    ") + barrierFirmwareDate(v);
}

QString beamLookText(BeamLook look) {
  switch (look) {
    case BeamLook::Normal:
      return uiText(UiTexts::txtCliBeamNormal);
    case BeamLook::Nar:
      return uiText(UiTexts::txtCliBeamNar);
    case BeamLook::Half:
      return uiText(UiTexts::txtCliBeam50);
    case BeamLook::Alert:
      return uiText(UiTexts::txtCliBeamAlert);
    case BeamLook::Blocked:
      return uiText(UiTexts::txtCliBeamBlocked);
    case BeamLook::SwitchedOff:
      break;
  }
  return uiText(UiTexts::txtBeamOff);
}
