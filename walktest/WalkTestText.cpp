#include "walktest/WalkTestText.h"

#include <QDateTime>

#include "texts/UiTexts.h"
#include "util/HexText.h"
#include "util/NumberText.h"

namespace {

QString beams(std::uint8_t byte) { return beamListText(std::span<const std::uint8_t>(&byte, 1)).trimmed(); }

}  // namespace

QString walkItemName(const WalkItem& item) {
  switch (item.kind) {
    case WalkItemKind::Beam:
      return uiText(UiTexts::txtBeam) + QLatin1Char(' ') + QString::number(item.beam);
    case WalkItemKind::TransmitterTamper:
      return uiText(UiTexts::txtItemTransmitterTamper);
    case WalkItemKind::ReceiverTamper:
      return uiText(UiTexts::txtItemReceiverTamper);
    case WalkItemKind::AlarmOutput:
      return uiText(UiTexts::txtItemAlarmOutput);
    case WalkItemKind::TamperOutput:
      return uiText(UiTexts::txtItemTamperOutput);
  }
  return {};
}

QString walkOutcomeText(WalkOutcome outcome) {
  switch (outcome) {
    case WalkOutcome::Passed:
      return uiText(UiTexts::txtOutcomePassed);
    case WalkOutcome::NotPassed:
      return uiText(UiTexts::txtOutcomeNotPassed);
    case WalkOutcome::NotTested:
      break;
  }
  return uiText(UiTexts::txtOutcomeNotTested);
}

QString walkTimeText(qint64 ms) {
  return ms == 0 ? QString() : QDateTime::fromMSecsSinceEpoch(ms).toString(QStringLiteral("HH:mm:ss"));
}

QString walkSupplyLine(const WalkTestResult& result) {
  if (!result.supplyMin || !result.supplyMax) return {};
  return uiText(UiTexts::txtWalkSupply)
      .arg(decimalText(supplyVolts(*result.supplyMin), 1), decimalText(supplyVolts(*result.supplyMax), 1));
}

QStringList walkWarningLines(const WalkTestResult& result) {
  QStringList lines;
  if (result.beams50)
    lines << uiText(UiTexts::txtWalkWarn50).arg(uiText(UiTexts::txtWalkPass50), beams(result.beams50));
  if (result.beamsNar) lines << uiText(UiTexts::txtWalkWarnNar).arg(beams(result.beamsNar));
  if (result.lowSupply) lines << uiText(UiTexts::txtWalkWarnLowSupply);
  for (qint64 ms : result.connectionLosses) lines << uiText(UiTexts::txtWalkWarnLost).arg(walkTimeText(ms));
  if (lines.isEmpty()) lines << uiText(UiTexts::txtWalkNoWarnings);
  return lines;
}
