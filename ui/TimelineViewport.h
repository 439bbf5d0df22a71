#pragma once
// The span of time the timeline shows, and how zooming and panning move it:
// never shorter than a second, never much longer than the journal, and
// never more than half of itself off the journal's ends.
#include <QtGlobal>

namespace timeline {

class TimelineViewport {
 public:
  static constexpr qint64 MinSpanMs = 1000;

  // What the journal covers; the view is kept near it.
  void setExtent(qint64 firstMs, qint64 endMs);
  qint64 extentStart() const { return firstMs_; }
  qint64 extentEnd() const { return endMs_; }

  void show(qint64 startMs, qint64 endMs);
  // Factor below 1 zooms in; the moment at `anchor` (0 left edge .. 1 right
  // edge) stays where it is.
  void zoom(double factor, double anchor);
  void pan(qint64 deltaMs);
  void showAll();
  // The last `spanMs` up to the journal's end.
  void showLast(qint64 spanMs);
  // Keeps the span, with `ms` in the middle.
  void centreOn(qint64 ms);

  qint64 start() const { return startMs_; }
  qint64 end() const { return startMs_ + span_; }
  qint64 span() const { return span_; }

 private:
  qint64 maxSpan() const;
  void clamp();

  qint64 firstMs_ = 0, endMs_ = MinSpanMs;
  qint64 startMs_ = 0, span_ = MinSpanMs;
};

}  // namespace timeline
