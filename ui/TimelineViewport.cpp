#include "ui/TimelineViewport.h"

#include <algorithm>
#include <cmath>

namespace timeline {

void TimelineViewport::setExtent(qint64 firstMs, qint64 endMs) {
  firstMs_ = firstMs;
  endMs_ = std::max(endMs, firstMs + 1);
  clamp();
}

void TimelineViewport::show(qint64 startMs, qint64 endMs) {
  startMs_ = startMs;
  span_ = endMs - startMs;
  clamp();
}

void TimelineViewport::zoom(double factor, double anchor) {
  anchor = std::clamp(anchor, 0.0, 1.0);
  const double anchorMs = double(startMs_) + anchor * double(span_);
  const qint64 span = std::clamp(qint64(std::llround(double(span_) * factor)), MinSpanMs, maxSpan());
  startMs_ = qint64(std::llround(anchorMs - anchor * double(span)));
  span_ = span;
  clamp();
}

void TimelineViewport::pan(qint64 deltaMs) {
  startMs_ += deltaMs;
  clamp();
}

void TimelineViewport::showAll() {
  // A small margin, so that the first and last changes are not on the frame.
  const qint64 extent = std::max(endMs_ - firstMs_, MinSpanMs);
  const qint64 margin = extent / 50;
  show(firstMs_ - margin, firstMs_ + extent + margin);
}

void TimelineViewport::showLast(qint64 spanMs) { show(endMs_ - spanMs, endMs_); }

void TimelineViewport::centreOn(qint64 ms) {
  startMs_ = ms - span_ / 2;
  clamp();
}

qint64 TimelineViewport::maxSpan() const { return std::max<qint64>(2 * (endMs_ - firstMs_), 60 * 1000); }

void TimelineViewport::clamp() {
  span_ = std::clamp(span_, MinSpanMs, maxSpan());
  // At least half the view over the journal.
  startMs_ = std::clamp(startMs_, firstMs_ - span_ / 2, std::max(endMs_ - span_ / 2, firstMs_ - span_ / 2));
}

}  // namespace timeline
