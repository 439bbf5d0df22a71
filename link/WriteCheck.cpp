#include "link/WriteCheck.h"

#include "texts/UiTexts.h"

namespace writecheck {

namespace {

bool held(const BarrierConfig& expected, const BarrierConfig& read, ReturnedMask returned, std::size_t i) {
  return (returned & (ReturnedMask(1) << i)) && read[i] == expected[i];
}

// "1, 3–5, 8": runs of three or more as a range.
QString beamList(const QList<int>& beams) {
  QStringList parts;
  for (qsizetype k = 0; k < beams.size();) {
    qsizetype last = k;
    while (last + 1 < beams.size() && beams[last + 1] == beams[last] + 1) ++last;
    if (last - k >= 2)
      parts << QString::number(beams[k]) + QChar(0x2013) + QString::number(beams[last]);
    else
      for (qsizetype j = k; j <= last; ++j) parts << QString::number(beams[j]);
    k = last + 1;
  }
  return parts.join(QStringLiteral(", "));
}

QString perBeamField(const QList<int>& beams, UiTexts::Id one, UiTexts::Id several) {
  return beams.size() == 1 ? uiText(one).arg(beams[0]) : uiText(several).arg(beamList(beams));
}

}  // namespace

std::size_t firstIndex(std::uint8_t block) { return block == From16 ? BarrierConfig::AutoBlockTime : 0; }
std::size_t indexCount(std::uint8_t block) { return block == From16 ? 9 : 12; }

bool carries(std::size_t i) {
  return i < indexCount(From0) || (i >= firstIndex(From16) && i < firstIndex(From16) + indexCount(From16));
}

QStringList differingFields(const BarrierConfig& expected, const BarrierConfig& read, ReturnedMask returned) {
  const auto differs = [&](std::size_t i) { return !held(expected, read, returned, i); };
  QList<int> responseTimes, autoBlockCounts;
  for (int beam = 1; beam <= MaxBeams; ++beam) {
    if (differs(BarrierConfig::responseTime(beam))) responseTimes << beam;
    if (differs(BarrierConfig::autoBlockCount(beam))) autoBlockCounts << beam;
  }
  QStringList fields;
  if (differs(BarrierConfig::AlarmMode)) fields << uiText(UiTexts::txtAlarming);
  if (!responseTimes.isEmpty())
    fields << perBeamField(responseTimes, UiTexts::txtFieldResponseTime, UiTexts::txtFieldResponseTimes);
  if (differs(BarrierConfig::SerialHigh) || differs(BarrierConfig::SerialLow))
    fields << uiText(UiTexts::txtTransmitterSerial);
  if (differs(BarrierConfig::MaxCoveredTime)) fields << uiText(UiTexts::txtMaxCoveredTime);
  if (differs(BarrierConfig::AutoBlockTime)) fields << uiText(UiTexts::txtAutoBlockTime);
  if (!autoBlockCounts.isEmpty())
    fields << perBeamField(autoBlockCounts, UiTexts::txtFieldAutoBlockCount, UiTexts::txtFieldAutoBlockCounts);
  return fields;
}

}  // namespace writecheck
