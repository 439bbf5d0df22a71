#pragma once
// The timeline's hover: a moment's exact time and the barrier's state then,
// in the picture's words.
#include <QString>

#include "ui/TimelineData.h"

namespace timeline {

// Lines joined by "\n": the time at the cursor; when the state began and
// how long it lasted; the beams grouped by look ("Wiązka 1÷2,4÷8: normalna", "Wiązka 3: alarm"); the
// picture's hint; the supply voltage. `changes` (when above 1) tells how
// many changes the pixel column under the cursor holds.
QString momentWords(const Moment& moment, qint64 cursorMs, std::size_t changes = 0);

// A span of time as a person says it: "850 ms", "12,5 s", "3 min 5 s", "2 h 5 min", "3 d 4 h".
QString durationText(qint64 ms);

}  // namespace timeline
