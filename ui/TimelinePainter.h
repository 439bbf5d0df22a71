#pragma once
// The timeline of one barrier drawn into an image: a lane per beam coloured
// as the picture colours the beam, lanes for the outputs, the tamper
// contacts, low supply and registration mode, the supply voltage as a curve
// below them, time without a connection shaded, and a local time axis with
// the date. One pass over the pixel columns: the cost follows the width.
#include <QImage>
#include <QRect>
#include <QSize>
#include <QtGlobal>

#include "ui/TimelineData.h"

namespace timeline {

// Where the parts of a timeline image lie. Lanes top down: the beams from
// the highest to beam 1 (as the picture stacks them), then the flag lanes
// in FlagLane order.
struct TimelineLayout {
  static constexpr int LabelWidth = 150;
  static constexpr int LaneHeight = 18;

  TimelineLayout(QSize size, int beams);
  static int minimumHeight(int beams);

  int beams;
  QRect plot;    // lanes and curve: the columns of time
  QRect lanes;   // every lane
  QRect supply;  // the voltage curve
  QRect axis;    // marks, times and dates

  int laneCount() const { return beams + FlagLaneCount; }
  QRect laneRect(int lane) const;
  // The beam (1..beams) a lane shows, or 0 for a flag lane.
  int beamOfLane(int lane) const { return lane < beams ? beams - lane : 0; }
  // -1 when y is on no lane.
  int laneAt(int y) const;
};

// Draws [startMs, endMs) of `data` over the whole image.
void drawTimeline(QImage& image, const TimelineData& data, qint64 startMs, qint64 endMs);

}  // namespace timeline
