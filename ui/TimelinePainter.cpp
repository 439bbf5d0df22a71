#include "ui/TimelinePainter.h"

#include <QFontMetrics>
#include <QPainter>
#include <QStringList>
#include <algorithm>
#include <cmath>

#include "link/StatusWords.h"
#include "model/Colors.h"
#include "texts/UiTexts.h"
#include "ui/TimeAxis.h"

namespace timeline {
namespace {

constexpr int Top = 6;
constexpr int RightMargin = 10;
constexpr int FlagGap = 8;  // between the beams and the flag lanes
constexpr int SupplyGap = 10;
constexpr int MinSupplyHeight = 70;
constexpr int AxisHeight = 40;
constexpr int LegendLine = 18;
constexpr int BandMargin = 3;  // lane band inset from the lane's edges
constexpr int Swatch = 14;

// Every beam look in a lane word.
constexpr LaneWord AllBeamLooks = (LaneWord(1) << (MaxBeams * BeamLookCount)) - 1;

QRgb opaque(Rgb colour) { return 0xff000000u | colour; }
QColor qcolor(Rgb colour) { return QColor::fromRgb(opaque(colour)); }

QString laneName(const TimelineLayout& layout, int lane) {
  if (const int beam = layout.beamOfLane(lane)) return uiText(UiTexts::txtBeam) + u' ' + QString::number(beam);
  static constexpr UiTexts::Id names[FlagLaneCount] = {UiTexts::txtLaneAlarmOutput, UiTexts::txtLaneTamperOutput,
                                                       UiTexts::txtLaneTamperContacts, UiTexts::txtLaneLowSupply,
                                                       UiTexts::txtLaneRegistration};
  return uiText(names[lane - layout.beams]);
}

// The colour a flag lane takes while its flag is set: as the picture shows
// it (registration mode blinks aqua there).
Rgb setFlagColour(FlagLane lane) { return lane == FlagLane::Registration ? colors::Aqua : colors::Red; }

// A column without anything to show: not connected, nothing recorded yet,
// or past the journal's end.
bool withoutData(LaneWord word) { return (word & DisconnectedBit) || !(word & AllBeamLooks); }

QString causeText(LaneWord word) {
  static constexpr UiTexts::Id names[TamperCauseCount] = {UiTexts::txtCauseTransmitterContact,
                                                          UiTexts::txtCauseReceiverContact, UiTexts::txtCauseBus,
                                                          UiTexts::txtCauseCoveredTooLong};
  QStringList causes;
  for (int cause = 0; cause < TamperCauseCount; ++cause)
    if (word & tamperCauseBit(TamperCause(cause))) causes << uiText(names[cause]);
  return causes.join(QStringLiteral(", "));
}

// Rows [top, bottom) of `image` from x0 on take `colours` (0 = leave).
void paintRows(QImage& image, int x0, int top, int bottom, const std::vector<QRgb>& colours) {
  for (int y = std::max(top, 0); y < std::min(bottom, image.height()); ++y) {
    auto* row = reinterpret_cast<QRgb*>(image.scanLine(y)) + x0;
    for (std::size_t x = 0; x < colours.size(); ++x)
      if (colours[x]) row[x] = colours[x];
  }
}

// A round step (1, 2 or 5 times a power of ten volts, a tenth at least: the
// readings are no finer) that gives the scale a line about every 22 pixels.
double voltStep(double range, int pixels) {
  const double wanted = range / std::max(pixels / 22, 2);
  const double power = std::pow(10.0, std::floor(std::log10(std::max(wanted, 0.1))));
  for (double step : {1.0, 2.0, 5.0})
    if (step * power >= wanted) return std::max(step * power, 0.1);
  return 10 * power;
}

struct SupplyScale {
  double low = 0, high = 1;
  std::vector<SupplyMark> marks;
};

SupplyScale supplyScale(SupplyRange range, int pixels) {
  SupplyScale scale;
  const double step = voltStep(std::max(double(range.high - range.low), 0.5), pixels);
  // A line's room above and below the readings, so that a steady supply is not drawn on the frame.
  scale.low = std::floor(double(range.low) / step) * step;
  if (scale.low > double(range.low) - step / 4) scale.low -= step;
  scale.high = std::ceil(double(range.high) / step) * step;
  if (scale.high < double(range.high) + step / 4) scale.high += step;
  const int lines = int(std::lround((scale.high - scale.low) / step));
  for (int line = 0; line <= lines; ++line) {
    const double volts = scale.low + line * step;
    scale.marks.push_back({volts, QString::number(volts, 'f', step < 1 ? 1 : 0)});
  }
  return scale;
}

void drawSupply(QPainter& painter, QImage& image, const TimelineLayout& layout, const std::vector<Column>& columns) {
  SupplyRange all;
  for (const Column& column : columns)
    if (!column.supply.empty()) all = {std::min(all.low, column.supply.low), std::max(all.high, column.supply.high)};
  const QRect area = layout.supply;
  painter.setPen(Qt::black);
  painter.drawText(QRect(4, area.top(), TimelineLayout::LabelWidth - 8, painter.fontMetrics().height()),
                   Qt::AlignLeft | Qt::AlignVCenter, uiText(UiTexts::txtLaneSupply));
  if (all.empty()) return;

  const SupplyScale scale = supplyScale(all, area.height());
  const auto yOf = [&](double volts) {
    return area.bottom() - 3 - int(std::lround((volts - scale.low) / (scale.high - scale.low) * (area.height() - 7)));
  };
  QPen grid(qcolor(colors::Grey));
  grid.setStyle(Qt::DotLine);
  for (const SupplyMark& mark : scale.marks) {
    const int y = yOf(mark.volts);
    painter.setPen(grid);
    painter.drawLine(area.left(), y, area.right(), y);
    painter.setPen(Qt::black);
    painter.drawText(QRect(0, y - 8, TimelineLayout::LabelWidth - 6, 16), Qt::AlignRight | Qt::AlignVCenter,
                     mark.label);
  }
  painter.end();
  // The curve holds its value until it changes: a column spans every value
  // it saw, so a step is drawn where it happens and a flat stretch is a line.
  const QRgb yellow = opaque(colors::Yellow);
  for (std::size_t x = 0; x < columns.size(); ++x) {
    const SupplyRange range = columns[x].supply;
    if (range.empty()) continue;
    const int top = yOf(range.high);
    const int bottom = yOf(range.low) + 1;  // two pixels thick when flat
    for (int y = top; y <= bottom; ++y) reinterpret_cast<QRgb*>(image.scanLine(y))[area.left() + int(x)] = yellow;
  }
  painter.begin(&image);
}

void drawAxis(QPainter& painter, const TimelineLayout& layout, qint64 startMs, qint64 endMs, const TimeMarks& marks) {
  const QRect plot = layout.plot;
  const double pxPerMs = double(plot.width()) / double(endMs - startMs);
  const auto xOf = [&](qint64 ms) { return plot.left() + int(std::floor(double(ms - startMs) * pxPerMs)); };
  const QFontMetrics metrics = painter.fontMetrics();
  const int timeTop = layout.axis.top() + 6;
  const int dateTop = timeTop + metrics.height() + 2;

  painter.setPen(Qt::black);
  painter.save();
  painter.setClipRect(
      QRect(plot.left() - 40, layout.axis.top(), plot.width() + 40 + RightMargin, layout.axis.height()));
  for (const TimeMark& mark : marks.marks) {
    const int x = xOf(mark.ms);
    painter.drawLine(x, layout.axis.top(), x, layout.axis.top() + 4);
    const int width = metrics.horizontalAdvance(mark.label);
    painter.drawText(x - width / 2, timeTop + metrics.ascent(), mark.label);
  }
  painter.restore();

  // The date at the left end, and where each new day begins.
  painter.save();
  QFont bold = painter.font();
  bold.setBold(true);
  painter.setFont(bold);
  const QFontMetrics boldMetrics(bold);
  int firstMidnightX = plot.right() + 1;
  if (!marks.midnights.empty()) firstMidnightX = xOf(marks.midnights.front());
  const QString startDate = localDateText(startMs);
  if (plot.left() + boldMetrics.horizontalAdvance(startDate) + 12 < firstMidnightX)
    painter.drawText(plot.left(), dateTop + boldMetrics.ascent(), startDate);
  for (qint64 midnight : marks.midnights) {
    const int x = xOf(midnight);
    painter.drawLine(x, dateTop, x, dateTop + boldMetrics.height());
    painter.drawText(x + 4, dateTop + boldMetrics.ascent(), localDateText(midnight));
  }
  painter.restore();
}

QPolygon markerShape(int x, int top) {
  return QPolygon({QPoint(x, top), QPoint(x - 5, top + 9), QPoint(x + 5, top + 9)});
}

void drawMarkerShape(QPainter& painter, Marker::Kind kind, int x, int top) {
  const QColor colour = qcolor(markerColour(kind));
  painter.setPen(colour.darker(150));
  // A write that did not complete: only its outline.
  painter.setBrush(kind == Marker::Kind::WriteDropped ? QBrush(Qt::NoBrush) : QBrush(colour));
  painter.drawPolygon(markerShape(x, top));
}

// Lines on the time axis where something was done to the barrier.
void drawMarkers(QPainter& painter, const TimelineLayout& layout, const TimelineData& data, qint64 startMs,
                 qint64 endMs) {
  const QRect plot = layout.plot;
  const double pxPerMs = double(plot.width()) / double(endMs - startMs);
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  for (const Marker& marker : data.markersBetween(startMs, endMs)) {
    const int x = plot.left() + int(std::floor(double(marker.ms - startMs) * pxPerMs));
    QPen line(qcolor(markerColour(marker.kind)));
    line.setStyle(Qt::DashLine);
    painter.setPen(line);
    painter.drawLine(x, layout.lanes.top(), x, layout.supply.bottom());
    drawMarkerShape(painter, marker.kind, x, layout.markers.top() + 1);
  }
  painter.restore();
}

// The legend's entries, in order.
struct LegendEntry {
  enum class Look { Band, Line, Hatch, Marker } look;
  Rgb colour = 0;
  Marker::Kind marker = Marker::Kind::ConfigWritten;
  QString text;
};

std::vector<LegendEntry> legendEntries() {
  using Look = LegendEntry::Look;
  std::vector<LegendEntry> entries;
  for (BeamLook look : {BeamLook::Normal, BeamLook::Nar, BeamLook::Half, BeamLook::Alert, BeamLook::Blocked})
    entries.push_back({Look::Band, beamLookColour(look), {}, beamLookText(look)});
  entries.push_back({Look::Line, beamLookColour(BeamLook::SwitchedOff), {}, beamLookText(BeamLook::SwitchedOff)});
  entries.push_back({Look::Hatch, colors::Grey, {}, uiText(UiTexts::txtNoData)});
  entries.push_back({Look::Band, colors::Red, {}, uiText(UiTexts::txtLegendSet)});
  entries.push_back({Look::Line, colors::Green, {}, uiText(UiTexts::txtLegendClear)});
  entries.push_back({Look::Marker, 0, Marker::Kind::ConfigWritten, uiText(UiTexts::txtLegendWrite)});
  entries.push_back({Look::Marker, 0, Marker::Kind::Reset, uiText(UiTexts::txtLegendReset)});
  entries.push_back({Look::Marker, 0, Marker::Kind::FileSaved, uiText(UiTexts::txtLegendFile)});
  entries.push_back({Look::Marker, 0, Marker::Kind::WalkTest, uiText(UiTexts::txtLegendWalkTest)});
  return entries;
}

int entryWidth(const QFontMetrics& metrics, const LegendEntry& entry) {
  return Swatch + 5 + metrics.horizontalAdvance(entry.text) + 16;
}

// Where each entry goes: lines of entries that fit `width`.
std::vector<QPoint> legendPlaces(const QFontMetrics& metrics, const std::vector<LegendEntry>& entries, int width) {
  std::vector<QPoint> places;
  int x = 0, line = 0;
  for (const LegendEntry& entry : entries) {
    const int w = entryWidth(metrics, entry);
    if (x > 0 && x + w > width) {
      x = 0;
      ++line;
    }
    places.emplace_back(x, line);
    x += w;
  }
  return places;
}

int legendLines(int width) {
  const std::vector<QPoint> places = legendPlaces(QFontMetrics(QFont()), legendEntries(), width);
  return places.empty() ? 0 : places.back().y() + 1;
}

void drawLegend(QPainter& painter, const TimelineLayout& layout) {
  const std::vector<LegendEntry> entries = legendEntries();
  const std::vector<QPoint> places = legendPlaces(painter.fontMetrics(), entries, layout.legend.width());
  const QBrush hatch(qcolor(colors::Grey), Qt::BDiagPattern);
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const LegendEntry& entry = entries[i];
    const int x = layout.legend.left() + places[i].x();
    const int y = layout.legend.top() + places[i].y() * LegendLine;
    const QRect swatch(x, y + (LegendLine - Swatch) / 2, Swatch, Swatch);
    switch (entry.look) {
      case LegendEntry::Look::Band:
        painter.fillRect(swatch, Qt::black);
        painter.fillRect(swatch.adjusted(0, BandMargin, 0, -BandMargin), qcolor(entry.colour));
        break;
      case LegendEntry::Look::Line:
        painter.fillRect(swatch, Qt::black);
        painter.fillRect(QRect(swatch.left(), swatch.center().y() - 1, swatch.width(), 2), qcolor(entry.colour));
        break;
      case LegendEntry::Look::Hatch:
        painter.fillRect(swatch, Qt::black);
        painter.fillRect(swatch, hatch);
        break;
      case LegendEntry::Look::Marker:
        drawMarkerShape(painter, entry.marker, swatch.center().x(), swatch.top() + 2);
        break;
    }
    painter.setPen(Qt::black);
    painter.drawText(QRect(swatch.right() + 5, y, layout.legend.right() - swatch.right(), LegendLine),
                     Qt::AlignLeft | Qt::AlignVCenter, entry.text);
  }
  painter.restore();
}

}  // namespace

TimelineLayout::TimelineLayout(QSize size, int beamCount) : beams(std::clamp(beamCount, 1, MaxBeams)) {
  const int right = size.width() - RightMargin;
  const int lanesBottom = Top + laneCount() * LaneHeight + FlagGap;
  const int legendHeight = legendLines(size.width() - 12) * LegendLine + 4;
  const int axisTop =
      std::max(size.height() - AxisHeight - legendHeight, lanesBottom + SupplyGap + MinSupplyHeight + MarkerHeight);
  lanes = QRect(QPoint(LabelWidth, Top), QPoint(right - 1, lanesBottom - 1));
  supply = QRect(QPoint(LabelWidth, lanesBottom + SupplyGap), QPoint(right - 1, axisTop - MarkerHeight - 1));
  plot = QRect(QPoint(LabelWidth, Top), QPoint(right - 1, axisTop - 1));
  markers = QRect(QPoint(LabelWidth, axisTop - MarkerHeight), QPoint(right - 1, axisTop - 1));
  axis = QRect(QPoint(LabelWidth, axisTop), QPoint(right - 1, axisTop + AxisHeight - 1));
  legend = QRect(QPoint(6, axis.bottom() + 1), QPoint(size.width() - 7, axis.bottom() + legendHeight));
}

int TimelineLayout::minimumHeight(int beams, int width) {
  return Top + (std::clamp(beams, 1, MaxBeams) + FlagLaneCount) * LaneHeight + FlagGap + SupplyGap + MinSupplyHeight +
         MarkerHeight + AxisHeight + legendLines(width - 12) * LegendLine + 4;
}

QRect TimelineLayout::laneRect(int lane) const {
  const int top = Top + lane * LaneHeight + (lane >= beams ? FlagGap : 0);
  return QRect(lanes.left(), top, lanes.width(), LaneHeight);
}

int TimelineLayout::laneAt(int y) const {
  for (int lane = 0; lane < laneCount(); ++lane)
    if (const QRect r = laneRect(lane); y >= r.top() && y <= r.bottom()) return lane;
  return -1;
}

std::vector<SupplyMark> supplyMarks(SupplyRange range, int pixels) { return supplyScale(range, pixels).marks; }

Rgb markerColour(Marker::Kind kind) {
  switch (kind) {
    case Marker::Kind::ConfigWritten:
    case Marker::Kind::WriteDropped:
      return makeRgb(255, 140, 0);
    case Marker::Kind::Reset:
      return makeRgb(30, 110, 230);
    case Marker::Kind::FileOpened:
    case Marker::Kind::FileSaved:
      return makeRgb(0, 150, 140);
    case Marker::Kind::WalkTest:
      return makeRgb(170, 60, 200);
  }
  return colors::Grey;
}

QString markerWords(const Marker& marker) {
  switch (marker.kind) {
    case Marker::Kind::ConfigWritten:
      return uiText(UiTexts::txtMarkerConfigWritten);
    case Marker::Kind::WriteDropped:
      return uiText(UiTexts::txtMarkerWriteDropped).arg(marker.text);
    case Marker::Kind::Reset:
      return uiText(UiTexts::txtMarkerReset);
    case Marker::Kind::FileOpened:
      return uiText(UiTexts::txtMarkerFileOpened).arg(marker.text);
    case Marker::Kind::FileSaved:
      return uiText(UiTexts::txtMarkerFileSaved).arg(marker.text);
    case Marker::Kind::WalkTest:
      return uiText(UiTexts::txtMarkerWalkTest).arg(marker.text);
  }
  return {};
}

void drawTimeline(QImage& image, const TimelineData& data, qint64 startMs, qint64 endMs) {
  const TimelineLayout layout(image.size(), data.beams());
  image.fill(qcolor(colors::WindowFace));
  if (endMs <= startMs || layout.plot.width() <= 0) return;
  const QRect plot = layout.plot;
  const int width = plot.width();
  const double msPerColumn = double(endMs - startMs) / width;
  const std::vector<Column> columns = summariseColumns(data, startMs, msPerColumn, width);
  const TimeMarks marks = timeMarks(startMs, endMs, width);

  QPainter painter(&image);
  painter.fillRect(QRect(plot.left(), layout.lanes.top(), width, layout.lanes.height()), Qt::black);
  painter.fillRect(layout.supply, Qt::black);

  // Lane names, and a faint line between lanes.
  painter.setPen(Qt::black);
  for (int lane = 0; lane < layout.laneCount(); ++lane) {
    const QRect r = layout.laneRect(lane);
    painter.drawText(QRect(6, r.top(), TimelineLayout::LabelWidth - 12, r.height()), Qt::AlignLeft | Qt::AlignVCenter,
                     laneName(layout, lane));
  }

  // Time marks behind the lanes.
  const double pxPerMs = 1.0 / msPerColumn;
  const auto xOf = [&](qint64 ms) { return plot.left() + int(std::floor(double(ms - startMs) * pxPerMs)); };
  QPen gridPen(qcolor(colors::Grey));
  gridPen.setStyle(Qt::DotLine);
  painter.setPen(gridPen);
  for (const TimeMark& mark : marks.marks) {
    const int x = xOf(mark.ms);
    painter.drawLine(x, layout.lanes.top(), x, layout.supply.bottom());
  }
  painter.setPen(qcolor(colors::Silver));
  for (qint64 midnight : marks.midnights) {
    const int x = xOf(midnight);
    painter.drawLine(x, layout.lanes.top(), x, layout.supply.bottom());
  }
  painter.end();

  // The lanes, a pixel column at a time: a band for a look or a set flag, a
  // thin line for a switched-off beam and a flag at rest.
  std::vector<QRgb> colours(std::size_t(width), 0);
  std::vector<QRgb> thin(std::size_t(width), 0);
  for (int lane = 0; lane < layout.laneCount(); ++lane) {
    const QRect r = layout.laneRect(lane);
    const int beam = layout.beamOfLane(lane);
    std::fill(colours.begin(), colours.end(), 0);
    std::fill(thin.begin(), thin.end(), 0);
    for (int x = 0; x < width; ++x) {
      const LaneWord word = columns[std::size_t(x)].lanes;
      if (beam) {
        if (const auto look = mostSignificantLook(word, beam))
          (*look == BeamLook::SwitchedOff ? thin : colours)[std::size_t(x)] = opaque(beamLookColour(*look));
      } else {
        const FlagLane flag = FlagLane(lane - layout.beams);
        if (word & flagBit(flag, true))
          colours[std::size_t(x)] = opaque(setFlagColour(flag));
        else if (word & flagBit(flag, false))
          thin[std::size_t(x)] = opaque(colors::Green);
      }
    }
    paintRows(image, plot.left(), r.top() + BandMargin, r.bottom() + 1 - BandMargin, colours);
    const int middle = r.top() + r.height() / 2;
    paintRows(image, plot.left(), middle - 1, middle + 1, thin);
  }

  painter.begin(&image);
  const QFontMetrics metrics = painter.fontMetrics();
  // What set the tamper output off, inside its band where there is room.
  const QRect tamperLane = layout.laneRect(layout.beams + int(FlagLane::TamperOutput));
  for (int x = 0; x < width;) {
    const LaneWord causes = columns[std::size_t(x)].lanes & TamperCauseBits;
    int runEnd = x + 1;
    while (runEnd < width && (columns[std::size_t(runEnd)].lanes & TamperCauseBits) == causes) ++runEnd;
    if (causes) {
      const QString text = causeText(causes);
      if (metrics.horizontalAdvance(text) + 6 <= runEnd - x) {
        painter.setPen(Qt::black);
        painter.drawText(QRect(plot.left() + x, tamperLane.top(), runEnd - x, tamperLane.height()), Qt::AlignCenter,
                         text);
      }
    }
    x = runEnd;
  }

  // Time without data, whatever the reason: shaded, and named where there is room.
  const QBrush hatch(qcolor(colors::Grey), Qt::BDiagPattern);
  for (int x = 0; x < width;) {
    if (!withoutData(columns[std::size_t(x)].lanes)) {
      ++x;
      continue;
    }
    int runEnd = x;
    bool disconnected = true;
    for (; runEnd < width && withoutData(columns[std::size_t(runEnd)].lanes); ++runEnd)
      if (!(columns[std::size_t(runEnd)].lanes & DisconnectedBit)) disconnected = false;
    const QRect lanesRun(plot.left() + x, layout.lanes.top(), runEnd - x, layout.lanes.height());
    painter.fillRect(lanesRun, hatch);
    painter.fillRect(QRect(lanesRun.left(), layout.supply.top(), lanesRun.width(), layout.supply.height()), hatch);
    const QString name = uiText(disconnected ? UiTexts::txtTimelineNotConnected : UiTexts::txtNoData);
    const int textWidth = metrics.horizontalAdvance(name) + 8;
    if (runEnd - x >= textWidth) {
      const QRect label((lanesRun.left() + lanesRun.right() - textWidth) / 2, lanesRun.center().y() - 10, textWidth,
                        20);
      painter.fillRect(label, Qt::black);
      painter.setPen(qcolor(colors::Silver));
      painter.drawText(label, Qt::AlignCenter, name);
    }
    x = runEnd;
  }

  drawSupply(painter, image, layout, columns);
  drawAxis(painter, layout, startMs, endMs, marks);

  painter.setPen(qcolor(colors::Grey));
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(QRect(plot.left() - 1, layout.lanes.top() - 1, width + 1, layout.lanes.height() + 1));
  painter.drawRect(layout.supply.adjusted(-1, -1, 0, 0));
  drawMarkers(painter, layout, data, startMs, endMs);
  drawLegend(painter, layout);
}

}  // namespace timeline
