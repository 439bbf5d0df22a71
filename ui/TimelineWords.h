#pragma once
// The timeline's hover: a moment's exact time and the barrier's state then,
// in the picture's words.
#include <QString>

#include "ui/TimelineData.h"

namespace timeline {

// Lines joined by "\n": the time at the cursor; when the state began; the
// beams grouped by look ("Wiązka 1÷2,4÷8: normalna", "Wiązka 3: alarm"); the
// picture's hint; the supply voltage. `changes` (when above 1) tells how
// many changes the pixel column under the cursor holds.
QString momentWords(const Moment& moment, qint64 cursorMs, std::size_t changes = 0);

}  // namespace timeline
