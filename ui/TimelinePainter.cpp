#include "ui/TimelinePainter.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <cmath>

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
constexpr int BandMargin = 3;  // lane band inset from the lane's edges

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

// Rows [top, bottom) of `image` from x0 on take `colours` (0 = leave).
void paintRows(QImage& image, int x0, int top, int bottom, const std::vector<QRgb>& colours) {
  for (int y = std::max(top, 0); y < std::min(bottom, image.height()); ++y) {
    auto* row = reinterpret_cast<QRgb*>(image.scanLine(y)) + x0;
    for (std::size_t x = 0; x < colours.size(); ++x)
      if (colours[x]) row[x] = colours[x];
  }
}

// A round step (1, 2 or 5 times a power of ten volts) that gives the curve's
// scale a line about every 22 pixels, whatever the readings are.
double voltStep(double range, int pixels) {
  const double wanted = range / std::max(pixels / 22, 2);
  const double power = std::pow(10.0, std::floor(std::log10(std::max(wanted, 1e-3))));
  for (double step : {1.0, 2.0, 5.0})
    if (step * power >= wanted) return step * power;
  return 10 * power;
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

  const double step = voltStep(std::max(double(all.high - all.low), 0.5), area.height());
  // A line's room above and below the readings, so that a steady supply is not drawn on the frame.
  double low = std::floor(double(all.low) / step) * step;
  if (low > double(all.low) - step / 4) low -= step;
  double high = std::ceil(double(all.high) / step) * step;
  if (high < double(all.high) + step / 4) high += step;
  const auto yOf = [&](double volts) {
    return area.bottom() - 3 - int(std::lround((volts - low) / (high - low) * (area.height() - 7)));
  };
  QPen grid(qcolor(colors::Grey));
  grid.setStyle(Qt::DotLine);
  const int lines = int(std::lround((high - low) / step));
  for (int line = 0; line <= lines; ++line) {
    const double volts = low + line * step;
    const int y = yOf(volts);
    painter.setPen(grid);
    painter.drawLine(area.left(), y, area.right(), y);
    painter.setPen(Qt::black);
    painter.drawText(QRect(0, y - 8, TimelineLayout::LabelWidth - 6, 16), Qt::AlignRight | Qt::AlignVCenter,
                     QString::number(volts, 'f', step < 1 ? 1 : 0));
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

}  // namespace

TimelineLayout::TimelineLayout(QSize size, int beamCount) : beams(std::clamp(beamCount, 1, MaxBeams)) {
  const int right = size.width() - RightMargin;
  const int lanesBottom = Top + laneCount() * LaneHeight + FlagGap;
  lanes = QRect(QPoint(LabelWidth, Top), QPoint(right - 1, lanesBottom - 1));
  const int axisTop = std::max(size.height() - AxisHeight, lanesBottom + SupplyGap + MinSupplyHeight);
  supply = QRect(QPoint(LabelWidth, lanesBottom + SupplyGap), QPoint(right - 1, axisTop - 1));
  plot = QRect(QPoint(LabelWidth, Top), QPoint(right - 1, axisTop - 1));
  axis = QRect(QPoint(LabelWidth, axisTop), QPoint(right - 1, axisTop + AxisHeight - 1));
}

int TimelineLayout::minimumHeight(int beams) {
  return Top + (std::clamp(beams, 1, MaxBeams) + FlagLaneCount) * LaneHeight + FlagGap + SupplyGap + MinSupplyHeight +
         AxisHeight;
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

  // The lanes, a pixel column at a time.
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
        if (const auto look = mostSignificantLook(word, beam)) colours[std::size_t(x)] = opaque(beamLookColour(*look));
      } else {
        // As the picture's boxes: a green outline while clear, filled when set.
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
  // Time without a connection: shaded, and named where there is room.
  QBrush hatch(qcolor(colors::Grey), Qt::BDiagPattern);
  const QFontMetrics metrics = painter.fontMetrics();
  const QString notConnected = uiText(UiTexts::txtTimelineNotConnected);
  for (int x = 0; x < width;) {
    if (!(columns[std::size_t(x)].lanes & DisconnectedBit)) {
      ++x;
      continue;
    }
    int runEnd = x;
    while (runEnd < width && (columns[std::size_t(runEnd)].lanes & DisconnectedBit)) ++runEnd;
    const QRect lanesRun(plot.left() + x, layout.lanes.top(), runEnd - x, layout.lanes.height());
    painter.fillRect(lanesRun, hatch);
    painter.fillRect(QRect(lanesRun.left(), layout.supply.top(), lanesRun.width(), layout.supply.height()), hatch);
    const int textWidth = metrics.horizontalAdvance(notConnected) + 8;
    if (runEnd - x >= textWidth) {
      const QRect label((lanesRun.left() + lanesRun.right() - textWidth) / 2, lanesRun.center().y() - 10, textWidth,
                        20);
      painter.fillRect(label, Qt::black);
      painter.setPen(qcolor(colors::Silver));
      painter.drawText(label, Qt::AlignCenter, notConnected);
    }
    x = runEnd;
  }

  drawSupply(painter, image, layout, columns);
  drawAxis(painter, layout, startMs, endMs, marks);

  painter.setPen(qcolor(colors::Grey));
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(QRect(plot.left() - 1, layout.lanes.top() - 1, width + 1, layout.lanes.height() + 1));
  painter.drawRect(layout.supply.adjusted(-1, -1, 0, 0));
}

}  // namespace timeline
