#pragma once
// A configuration file in words, with the captions of the program's editors.
#include <QStringList>

#include "model/BarrierModel.h"
#include "texts/UiTexts.h"

// The editors' words for single fields: "jedna wiązka" / "dwie wiązki";
// "120 ms" or "wyłączona"; the count or "bez".
QString alarmModeText(std::uint8_t mode);
QString responseTimeText(std::uint8_t steps);
QString autoBlockText(std::uint8_t count);
// A number and the unit the editors put after it ("30 sek.").
QString numberWithUnit(unsigned value, UiTexts::Id unit);

// The beam count, the alarm mode, each beam's response time and auto-block
// count (the beams the file's count names; all eight when it names no valid
// count), the auto-block counting time, the longest covered time and the
// transmitter's serial number, one per line.
QStringList configLines(const BarrierConfig& config);

// "<field>: <in a> -> <in b>" for every field whose bytes differ, all eight
// beams and the reserved bytes included; empty when the blocks are equal.
QStringList configDifferences(const BarrierConfig& a, const BarrierConfig& b);
