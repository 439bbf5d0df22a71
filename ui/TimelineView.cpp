#include "ui/TimelineView.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStringList>
#include <QToolTip>
#include <QWheelEvent>
#include <cmath>

#include "ui/TimeAxis.h"
#include "ui/TimelinePainter.h"
#include "ui/TimelineWords.h"

namespace timeline {
namespace {

constexpr double WheelStep = 1.25;  // zoom per notch of the wheel
constexpr double KeyZoom = 2.0;
constexpr double ArrowPan = 0.1;  // of the span, per arrow key
constexpr int MinSelection = 4;   // pixels: less is a click
constexpr int MarkerReach = 4;    // pixels either side of a marker that show its words

}  // namespace

TimelineView::TimelineView(const TimelineData& data, QWidget* parent) : QWidget(parent), data_(data) {
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

QSize TimelineView::sizeHint() const { return {1100, TimelineLayout::minimumHeight(data_.beams(), 1100) + 80}; }

QSize TimelineView::minimumSizeHint() const {
  // The legend takes more lines when narrow: as high as it is at the least width.
  constexpr int MinWidth = TimelineLayout::LabelWidth + 400;
  return {MinWidth, TimelineLayout::minimumHeight(data_.beams(), MinWidth)};
}

void TimelineView::refresh() {
  stale_ = true;
  update();
}

QImage TimelineView::picture() {
  if (stale_ || image_.size() != size()) {
    image_ = QImage(size(), QImage::Format_RGB32);
    drawTimeline(image_, data_, viewport_.start(), viewport_.end());
    stale_ = false;
  }
  return image_;
}

QRect TimelineView::plotRect() const { return TimelineLayout(size(), data_.beams()).plot; }

double TimelineView::fractionAt(int x) const {
  const QRect plot = plotRect();
  return plot.width() > 0 ? double(x - plot.left()) / plot.width() : 0.0;
}

qint64 TimelineView::timeAt(int x) const {
  return viewport_.start() + qint64(std::floor(fractionAt(x) * double(viewport_.span())));
}

QString TimelineView::hoverText(QPoint position) const {
  const TimelineLayout layout(size(), data_.beams());
  const QRect area(layout.plot.left(), layout.lanes.top(), layout.plot.width(),
                   layout.supply.bottom() - layout.lanes.top() + 1);
  if (!area.contains(position)) return {};
  const qint64 from = timeAt(position.x());
  const qint64 to = std::max(timeAt(position.x() + 1), from + 1);
  // The markers within a few pixels first: they are small to point at.
  QStringList lines;
  for (const Marker& marker :
       data_.markersBetween(timeAt(position.x() - MarkerReach), timeAt(position.x() + MarkerReach + 1)))
    lines << exactLocalTime(marker.ms) + QStringLiteral(": ") + markerWords(marker);
  lines << momentWords(data_.mostSignificantMoment(from, to), from, data_.changesBetween(from, to));
  return lines.join(u'\n');
}

void TimelineView::zoomIn() {
  viewport_.zoom(1 / KeyZoom, 0.5);
  moved();
}

void TimelineView::zoomOut() {
  viewport_.zoom(KeyZoom, 0.5);
  moved();
}

void TimelineView::moved() {
  refresh();
  emit movedByUser();
  emit viewChanged();
}

void TimelineView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.drawImage(0, 0, picture());
  const QRect plot = plotRect();
  if (drag_ == Drag::Select) {
    const int left = std::clamp(std::min(dragStartX_, selectionEndX_), plot.left(), plot.right());
    const int right = std::clamp(std::max(dragStartX_, selectionEndX_), plot.left(), plot.right());
    painter.fillRect(QRect(left, plot.top(), right - left + 1, plot.height()), QColor(255, 255, 255, 70));
  }
  if (cursorX_ && plot.contains(*cursorX_, plot.top())) {
    painter.setPen(Qt::white);
    painter.drawLine(*cursorX_, plot.top(), *cursorX_, plot.bottom());
  }
  if (hasFocus()) {
    // Where the keys go: the arrows pan, + and − zoom.
    QPen focus(palette().color(QPalette::Highlight), 2);
    painter.setPen(focus);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(plot.adjusted(-3, -3, 2, 2));
  }
}

void TimelineView::focusInEvent(QFocusEvent* event) {
  QWidget::focusInEvent(event);
  update();
}

void TimelineView::focusOutEvent(QFocusEvent* event) {
  QWidget::focusOutEvent(event);
  update();
}

void TimelineView::resizeEvent(QResizeEvent*) { stale_ = true; }

void TimelineView::wheelEvent(QWheelEvent* event) {
  const double notches = event->angleDelta().y() / 120.0;
  if (notches == 0) return;
  viewport_.zoom(std::pow(WheelStep, -notches), fractionAt(int(event->position().x())));
  moved();
  event->accept();
}

void TimelineView::mousePressEvent(QMouseEvent* event) {
  const int x = int(event->position().x());
  dragStartX_ = x;
  selectionEndX_ = x;
  dragStartMs_ = viewport_.start();
  const bool select = event->button() == Qt::RightButton ||
                      (event->button() == Qt::LeftButton && event->modifiers() & Qt::ShiftModifier);
  if (select)
    drag_ = Drag::Select;
  else if (event->button() == Qt::LeftButton)
    drag_ = Drag::Pan;
  if (drag_ == Drag::Pan) setCursor(Qt::ClosedHandCursor);
}

void TimelineView::mouseMoveEvent(QMouseEvent* event) {
  const QPoint position = event->position().toPoint();
  cursorX_ = position.x();
  if (drag_ == Drag::Pan) {
    const double msPerPixel = double(viewport_.span()) / std::max(plotRect().width(), 1);
    viewport_.show(dragStartMs_ - qint64(std::llround((position.x() - dragStartX_) * msPerPixel)),
                   dragStartMs_ - qint64(std::llround((position.x() - dragStartX_) * msPerPixel)) + viewport_.span());
    moved();
    return;
  }
  if (drag_ == Drag::Select) {
    selectionEndX_ = position.x();
    update();
    return;
  }
  update();
  const QString text = hoverText(position);
  if (text.isEmpty())
    QToolTip::hideText();
  else
    QToolTip::showText(event->globalPosition().toPoint(), text, this);  // at once, as the picture's hint
}

void TimelineView::mouseReleaseEvent(QMouseEvent* event) {
  const Drag drag = drag_;
  drag_ = Drag::None;
  unsetCursor();
  if (drag == Drag::Select) {
    const int x = int(event->position().x());
    if (std::abs(x - dragStartX_) >= MinSelection) {
      const qint64 a = timeAt(std::min(x, dragStartX_));
      const qint64 b = timeAt(std::max(x, dragStartX_));
      viewport_.show(a, b);
      moved();
      return;
    }
    update();
  }
}

void TimelineView::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Left:
      viewport_.pan(-qint64(double(viewport_.span()) * ArrowPan));
      moved();
      return;
    case Qt::Key_Right:
      viewport_.pan(qint64(double(viewport_.span()) * ArrowPan));
      moved();
      return;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
      zoomIn();
      return;
    case Qt::Key_Minus:
    case Qt::Key_Underscore:
      zoomOut();
      return;
    default:
      QWidget::keyPressEvent(event);
  }
}

void TimelineView::leaveEvent(QEvent*) {
  cursorX_.reset();
  update();
}

}  // namespace timeline
