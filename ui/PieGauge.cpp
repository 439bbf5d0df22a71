#include "ui/PieGauge.h"

#include <QPainter>
#include <algorithm>

PieGauge::PieGauge(QWidget* parent) : QWidget(parent) {}

void PieGauge::setProgress(int value) {
  value = std::clamp(value, minValue(), maxValue());
  if (value == progress_) return;
  progress_ = value;
  update();
}

void PieGauge::setForeColor(const QColor& colour) {
  if (colour == foreColor_) return;
  foreColor_ = colour;
  update();
}

void PieGauge::setBackColor(const QColor& colour) {
  if (colour == backColor_) return;
  backColor_ = colour;
  update();
}

void PieGauge::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF circle = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
  p.setPen(QPen(QColor(0, 0, 0), 1));
  p.setBrush(backColor_);
  p.drawEllipse(circle);
  const int span = progress_ * 360 * 16 / (maxValue() - minValue());
  if (span > 0) {
    p.setBrush(foreColor_);
    // Qt counts angles anticlockwise from three o'clock in 1/16 degrees.
    p.drawPie(circle, 90 * 16, -span);
  }
}
