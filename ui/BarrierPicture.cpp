#include "ui/BarrierPicture.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <algorithm>
#include <utility>

#include "link/StatusWords.h"

namespace {

// Hints keep the "\r" line ends of the status text; the tooltip needs "\n".
QString shownHint(QString hint) { return hint.replace(QLatin1Char('\r'), QLatin1Char('\n')); }

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
  const QSize size(std::min(width(), MaxWidth), std::min(height(), MaxHeight));
  if (image_.size() != size) {
    image_ = size.isEmpty() ? QImage() : QImage(size, QImage::Format_RGB32);
  }
  painter_.draw(image_, model_, logPanelVisible_ ? logPanelVisible_() : false);
  repaint();
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

void BarrierPicture::paintEvent(QPaintEvent*) {
  if (image_.isNull()) return;
  QPainter painter(this);
  painter.drawImage(0, 0, image_);
}

void BarrierPicture::resizeEvent(QResizeEvent*) { drawBarrier(); }

void BarrierPicture::mouseMoveEvent(QMouseEvent* event) {
  updateStatusHint();
  // At once, without the usual hint delay.
  QToolTip::showText(event->globalPosition().toPoint(), shownHint(hint_), this);
}

void BarrierPicture::mouseDoubleClickEvent(QMouseEvent* event) { event->accept(); }
