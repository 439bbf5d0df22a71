#include "files/ConfigText.h"

#include <functional>
#include <vector>

#include "texts/UiTexts.h"
#include "util/HexText.h"

namespace {

QString captioned(UiTexts::Id caption, const QString& value) { return uiText(caption) + QStringLiteral(": ") + value; }

}  // namespace

QString numberWithUnit(unsigned value, UiTexts::Id unit) {
  return QString::number(value) + QLatin1Char(' ') + uiText(unit);
}

QString alarmModeText(std::uint8_t mode) {
  if (mode == 0) return uiText(UiTexts::txtOneBeam);
  if (mode == 1) return uiText(UiTexts::txtTwoBeams);
  return QString::number(mode);  // no editor choice stands for it
}

QString responseTimeText(std::uint8_t steps) {
  return steps == 0 ? uiText(UiTexts::txtBeamOff) : QString::number(steps * 40u) + uiText(UiTexts::txtMs);
}

QString autoBlockText(std::uint8_t count) {
  return count == 0 ? uiText(UiTexts::txtNoAutoBlock) : QString::number(count);
}

namespace {

QString beamCaption(int beam, UiTexts::Id column) {
  return uiText(UiTexts::txtBeam) + QLatin1Char(' ') + QString::number(beam) + QStringLiteral(", ") + uiText(column);
}

// One field of the block: its bytes, its name and its value in words.
struct Field {
  std::vector<std::size_t> bytes;
  QString caption;
  std::function<QString(const BarrierConfig&)> text;
};

std::vector<Field> allFields() {
  using C = BarrierConfig;
  std::vector<Field> fields{
      {{C::BeamCount}, uiText(UiTexts::txtCliBeamCount), [](const C& c) { return QString::number(c[C::BeamCount]); }},
      {{C::AlarmMode}, uiText(UiTexts::txtAlarming), [](const C& c) { return alarmModeText(c[C::AlarmMode]); }},
  };
  for (int b = 1; b <= MaxBeams; ++b) {
    fields.push_back({{C::responseTime(b)}, beamCaption(b, UiTexts::txtSensitivity), [b](const C& c) {
                        return responseTimeText(c[C::responseTime(b)]);
                      }});
    fields.push_back({{C::autoBlockCount(b)}, beamCaption(b, UiTexts::txtAutoBlock), [b](const C& c) {
                        return autoBlockText(c[C::autoBlockCount(b)]);
                      }});
  }
  fields.push_back({{C::AutoBlockTime}, uiText(UiTexts::txtAutoBlockTime), [](const C& c) {
                      return numberWithUnit(c[C::AutoBlockTime], UiTexts::txtSeconds);
                    }});
  fields.push_back({{C::MaxCoveredTime}, uiText(UiTexts::txtMaxCoveredTime), [](const C& c) {
                      return numberWithUnit(c[C::MaxCoveredTime], UiTexts::txtMinutes);
                    }});
  fields.push_back({{C::SerialHigh, C::SerialLow}, uiText(UiTexts::txtTransmitterSerial), [](const C& c) {
                      return QString::number(c.transmitterSerial());
                    }});
  for (std::size_t i : {12, 13, 14, 15, 25, 26, 27, 28, 29, 30})
    fields.push_back({{i}, uiText(UiTexts::txtCliReservedByte).arg(i), [i](const C& c) { return numToHex(c[i]); }});
  return fields;
}

}  // namespace

QStringList configLines(const BarrierConfig& c) {
  const int count = c[BarrierConfig::BeamCount];
  const int beams = count >= 2 && count <= MaxBeams ? count : MaxBeams;
  QStringList lines{captioned(UiTexts::txtCliBeamCount, QString::number(count)),
                    captioned(UiTexts::txtAlarming, alarmModeText(c[BarrierConfig::AlarmMode]))};
  for (int b = 1; b <= beams; ++b)
    lines << uiText(UiTexts::txtBeam) + QLatin1Char(' ') + QString::number(b) + QStringLiteral(": ") +
                 uiText(UiTexts::txtSensitivity) + QLatin1Char(' ') +
                 responseTimeText(c[BarrierConfig::responseTime(b)]) + QStringLiteral(", ") +
                 uiText(UiTexts::txtAutoBlock) + QLatin1Char(' ') + autoBlockText(c[BarrierConfig::autoBlockCount(b)]);
  lines << captioned(UiTexts::txtAutoBlockTime, numberWithUnit(c[BarrierConfig::AutoBlockTime], UiTexts::txtSeconds))
        << captioned(UiTexts::txtMaxCoveredTime, numberWithUnit(c[BarrierConfig::MaxCoveredTime], UiTexts::txtMinutes))
        << captioned(UiTexts::txtTransmitterSerial, QString::number(c.transmitterSerial()));
  return lines;
}

QStringList configDifferences(const BarrierConfig& a, const BarrierConfig& b) {
  QStringList lines;
  for (const Field& field : allFields()) {
    bool differs = false;
    for (std::size_t i : field.bytes) differs = differs || a[i] != b[i];
    if (differs) lines << field.caption + QStringLiteral(": ") + field.text(a) + QStringLiteral(" -> ") + field.text(b);
  }
  return lines;
}
