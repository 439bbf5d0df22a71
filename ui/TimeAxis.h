#pragma once
// The marks of the timeline's time axis, in local time: round steps of the
// wall clock (a shift of daylight saving time moves the marks with it) and
// the local midnights, where a new date begins.
#include <QString>
#include <QtGlobal>
#include <vector>

namespace timeline {

struct TimeMark {
  qint64 ms;      // UTC milliseconds
  QString label;  // the local time, as precise as the step needs
};

struct TimeMarks {
  qint64 stepMs = 0;
  std::vector<TimeMark> marks;
  std::vector<qint64> midnights;  // local midnights within the range
};

// Marks over [startMs, endMs) drawn `width` pixels wide, so that labels
// stand at least about `labelPixels` apart.
TimeMarks timeMarks(qint64 startMs, qint64 endMs, int width, int labelPixels = 80);

// The local date and time of `ms`, with milliseconds: the timeline's hover.
QString exactLocalTime(qint64 ms);
// The local date of `ms` in words, as the axis writes it under the marks.
QString localDateText(qint64 ms);

}  // namespace timeline
