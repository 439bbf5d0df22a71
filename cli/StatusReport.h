#pragma once
// The barrier's live state for orvita-cli status: lines of Polish text in the
// words of the picture and its hint, or one JSON object for machines.
#include <QJsonObject>
#include <QStringList>

#include "model/BarrierModel.h"
#include "model/BeamLook.h"

// What the picture shows a beam as.
BeamLook beamState(const BarrierModel& model, int beam);

// "Wiązka 1: normalna" for each shown beam (with ", pamięć blokady" while in
// the block memory), the two output boxes, the supply box, then the hint.
QStringList statusLines(const BarrierModel& model);

// Stable English keys: beamCount, beams (beam, state, and the bits alarm,
// alert, half, nar, blocked, blockMemory, switchedOff), alarmOutput,
// tamperOutput, busTamper, receiverTamper, transmitterTamper, lowSupply,
// registrationMode, led, coveredTooLong, supplyVolts (as the picture shows it).
QJsonObject statusJson(const BarrierModel& model);
