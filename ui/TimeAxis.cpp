#include "ui/TimeAxis.h"

#include <QDateTime>
#include <QLocale>
#include <array>

#include "texts/UiTexts.h"

namespace timeline {
namespace {

constexpr qint64 Second = 1000;
constexpr qint64 Minute = 60 * Second;
constexpr qint64 Hour = 60 * Minute;
constexpr qint64 Day = 24 * Hour;

constexpr std::array<qint64, 29> Steps{1,           2,           5,           10,      20,         50,
                                       100,         200,         500,         Second,  2 * Second, 5 * Second,
                                       10 * Second, 15 * Second, 30 * Second, Minute,  2 * Minute, 5 * Minute,
                                       10 * Minute, 15 * Minute, 30 * Minute, Hour,    2 * Hour,   3 * Hour,
                                       6 * Hour,    12 * Hour,   Day,         2 * Day, 7 * Day};

// Local wall-clock time counted as if it were UTC: round steps of it are
// round on the clock on the wall.
qint64 wallClock(qint64 ms) { return ms + qint64(QDateTime::fromMSecsSinceEpoch(ms).offsetFromUtc()) * Second; }

qint64 fromWallClock(qint64 wall) {
  const QDateTime asUtc = QDateTime::fromMSecsSinceEpoch(wall, Qt::UTC);
  return QDateTime(asUtc.date(), asUtc.time(), Qt::LocalTime).toMSecsSinceEpoch();
}

qint64 floorTo(qint64 value, qint64 step) {
  const qint64 rest = value % step;
  return value - (rest < 0 ? rest + step : rest);
}

QString clockText(qint64 ms, qint64 step) {
  const QTime time = QDateTime::fromMSecsSinceEpoch(ms).time();
  if (step < Second) return time.toString(QStringLiteral("HH:mm:ss.zzz"));
  if (step < Minute) return time.toString(QStringLiteral("HH:mm:ss"));
  return time.toString(QStringLiteral("HH:mm"));
}

}  // namespace

TimeMarks timeMarks(qint64 startMs, qint64 endMs, int width, int labelPixels) {
  TimeMarks result;
  if (endMs <= startMs || width <= 0) return result;
  const double msPerPixel = double(endMs - startMs) / width;
  result.stepMs = Steps.back();
  for (qint64 step : Steps) {
    // Labels with milliseconds or seconds are wider.
    const double room = labelPixels * (step < Second ? 1.5 : step < Minute ? 1.2 : 1.0);
    if (step / msPerPixel >= room) {
      result.stepMs = step;
      break;
    }
  }
  const qint64 step = result.stepMs;
  const qint64 wallStart = wallClock(startMs);
  const qint64 wallEnd = wallClock(endMs);
  // Whole days and weeks start at local midnight.
  for (qint64 wall = floorTo(wallStart, std::min(step, Day)); wall <= wallEnd; wall += step) {
    const qint64 ms = step >= Hour ? fromWallClock(wall) : wall - (wallStart - startMs);
    if (ms < startMs || ms >= endMs) continue;
    if (!result.marks.empty() && ms <= result.marks.back().ms) continue;  // the hour repeated when clocks go back
    result.marks.push_back({ms, clockText(ms, step)});
  }
  for (qint64 wall = floorTo(wallStart, Day) + Day; wall <= wallEnd + Day; wall += Day) {
    const qint64 ms = fromWallClock(wall);
    if (ms > startMs && ms < endMs) result.midnights.push_back(ms);
  }
  return result;
}

QString exactLocalTime(qint64 ms) {
  return QDateTime::fromMSecsSinceEpoch(ms).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
}

QString localDateText(qint64 ms) {
  static const QLocale polish(QLocale::Polish, QLocale::Poland);
  return polish.toString(QDateTime::fromMSecsSinceEpoch(ms).date(), uiText(UiTexts::txtTimelineDateFormat));
}

}  // namespace timeline
