#pragma once
// The timeline of one barrier drawn into an image: a lane per beam coloured
// as the picture colours the beam (a switched-off beam as a thin line), lanes
// for the outputs, the tamper contacts, low supply and registration mode, the
// supply voltage as a curve below them, time without data shaded, markers for
// what was done to the barrier, a local time axis with the date, and a legend.
// One pass over the pixel columns: the cost follows the width.
#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>
#include <QtGlobal>
#include <vector>

#include "ui/TimelineData.h"

namespace timeline {

// Where the parts of a timeline image lie. Lanes top down: the beams from
// the highest to beam 1 (as the picture stacks them), then the flag lanes
// in FlagLane order.
struct TimelineLayout {
  static constexpr int LabelWidth = 150;
  static constexpr int LaneHeight = 18;

  static constexpr int MarkerHeight = 12;

  // The legend takes as many lines as `size`'s width needs.
  TimelineLayout(QSize size, int beams);
  static int minimumHeight(int beams, int width);

  int beams;
  QRect plot;     // lanes and curve: the columns of time
  QRect lanes;    // every lane
  QRect supply;   // the voltage curve
  QRect markers;  // the markers' band under the curve
  QRect axis;     // marks, times and dates
  QRect legend;

  int laneCount() const { return beams + FlagLaneCount; }
  QRect laneRect(int lane) const;
  // The beam (1..beams) a lane shows, or 0 for a flag lane.
  int beamOfLane(int lane) const { return lane < beams ? beams - lane : 0; }
  // -1 when y is on no lane.
  int laneAt(int y) const;
};

// Draws [startMs, endMs) of `data` over the whole image.
void drawTimeline(QImage& image, const TimelineData& data, qint64 startMs, qint64 endMs);

// The lines of the supply curve's scale for readings in `range` drawn
// `pixels` high: round steps, a few of them, each label its own.
struct SupplyMark {
  double volts;
  QString label;
};
std::vector<SupplyMark> supplyMarks(SupplyRange range, int pixels);

// A marker's colour and words.
Rgb markerColour(Marker::Kind kind);
QString markerWords(const Marker& marker);

}  // namespace timeline
