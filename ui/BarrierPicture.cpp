#include "ui/BarrierPicture.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QRegion>
#include <QToolTip>
#include <algorithm>
#include <utility>

#include "link/StatusWords.h"

namespace {

// Hints keep the "\r" line ends of the status text; the tooltip needs "\n".
QString shownHint(QString hint) { return hint.replace(QLatin1Char('\r'), QLatin1Char('\n')); }

// The pixels in which two images of one size and format differ: one
// rectangle for each run of rows that differ, as wide as their differences.
QRegion changedPixels(const QImage& before, const QImage& after) {
  QRegion changed;
  const int width = after.width();
  const auto row = [](const QImage& image, int y) { return reinterpret_cast<const QRgb*>(image.constScanLine(y)); };
  int top = -1, left = width, right = -1;
  for (int y = 0; y <= after.height(); ++y) {
    bool differs = false;
    if (y < after.height()) {
      const QRgb* a = row(before, y);
      const QRgb* b = row(after, y);
      int x = 0;
      while (x < width && a[x] == b[x]) ++x;
      if (x < width) {
        differs = true;
        int last = width - 1;
        while (a[last] == b[last]) --last;
        left = std::min(left, x);
        right = std::max(right, last);
        if (top < 0) top = y;
      }
    }
    if (!differs && top >= 0) {
      changed += QRect(left, top, right - left + 1, y - top);
      top = -1, left = width, right = -1;
    }
  }
  return changed;
}

}  // namespace

BarrierPicture::BarrierPicture(BarrierModel& model, std::function<bool()> logPanelVisible, QWidget* parent)
    : QWidget(parent), model_(model), logPanelVisible_(std::move(logPanelVisible)) {
  setObjectName(QStringLiteral("barrierPicture"));
  setMouseTracking(true);
  if (parent) {
    parent->installEventFilter(this);
    setGeometry(parent->rect());
  }
}

void BarrierPicture::drawBarrier() {
  const BarrierPainter::Inputs inputs = painter_.prepare(model_, logPanelVisible_ ? logPanelVisible_() : false);
  if (!isVisible() || window()->isMinimized()) {
    stale_ = true;
    return;
  }
  const QSize size(std::min(width(), MaxWidth), std::min(height(), MaxHeight));
  if (!stale_ && inputs == drawnFrom_ && image_.size() == size) return;  // the same picture
  drawnFrom_ = inputs;
  if (spare_.size() != size) spare_ = size.isEmpty() ? QImage() : QImage(size, QImage::Format_RGB32);
  if (!spare_.isNull()) BarrierPainter::draw(spare_, inputs);
  const bool whole = stale_ || image_.size() != spare_.size();
  std::swap(image_, spare_);
  stale_ = false;
  if (whole)
    repaint();
  else if (const QRegion changed = changedPixels(spare_, image_); !changed.isEmpty())
    repaint(changed);
}

void BarrierPicture::updateStatusHint() {
  QString hint = statusHintText(model_);
  if (hint == hint_) return;
  hint_ = std::move(hint);
  setToolTip(shownHint(hint_));
}

bool BarrierPicture::eventFilter(QObject* watched, QEvent* event) {
  if (watched == parentWidget() && event->type() == QEvent::Resize) setGeometry(parentWidget()->rect());
  return QWidget::eventFilter(watched, event);
}

void BarrierPicture::paintEvent(QPaintEvent* event) {
  if (image_.isNull()) return;
  QPainter painter(this);
  const QRect area = event->rect() & image_.rect();
  painter.drawImage(area.topLeft(), image_, area);
}

void BarrierPicture::resizeEvent(QResizeEvent*) { drawBarrier(); }

void BarrierPicture::showEvent(QShowEvent*) {
  if (stale_) drawBarrier();
}

void BarrierPicture::mouseMoveEvent(QMouseEvent* event) {
  updateStatusHint();
  // At once, without the usual hint delay.
  QToolTip::showText(event->globalPosition().toPoint(), shownHint(hint_), this);
}

void BarrierPicture::mouseDoubleClickEvent(QMouseEvent* event) { event->accept(); }
