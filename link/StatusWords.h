#pragma once
// The barrier's live state in the words the picture uses: the hint and the
// texts of its three boxes. Shared by the picture and the command line tool.
#include <QString>
#include <cstdint>

#include "model/BarrierModel.h"
#include "model/BeamLook.h"

// The picture's hint: the status in words, lines joined by "\r".
QString statusHintText(const BarrierModel& model);

// The identification bar: " ORVITA 8 v.1.05    2021-07-14" once the barrier
// has sent its whole version, else " Brak połączenia.".
QString identificationText(const BarrierModel& model);

// The alarm output box: "Wyjście NC OK", or "Alarm" while the output is active.
QString alarmOutputText(std::uint8_t statusFlags);
// The tamper output box: "Wyjście TMP OK", or "Sabotaż" while the output is active.
QString tamperOutputText(std::uint8_t statusFlags);
// The supply box: "Zasilanie: " + supplyText + " V".
QString supplyBoxText(const BarrierModel& model);
// The same fact outside the picture, with a decimal comma: "Zasilanie: 12,2 V".
QString supplyWords(double volts);
// A beam's look in words: "normalna", "nar.", "50%", "alarm", "zablokowana", "wyłączona".
QString beamLookText(BeamLook look);
