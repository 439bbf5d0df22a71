#include "ui/PieGauge.h"

#include <QPainter>
#include <algorithm>

PieGauge::PieGauge(QWidget* parent) : QWidget(parent) { setAttribute(Qt::WA_OpaquePaintEvent); }

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

PieGauge::Pictures& PieGauge::picturesNow() {
  const QRgb window = palette().color(QPalette::Window).rgba();
  const auto matches = [&](const Pictures& p) {
    return p.fore == foreColor_.rgba() && p.back == backColor_.rgba() && p.window == window && p.size == size() &&
           p.ratio == devicePixelRatio();
  };
  if (matches(pictures_[newerPictures_])) return pictures_[newerPictures_];
  newerPictures_ = 1 - newerPictures_;
  Pictures& pictures = pictures_[newerPictures_];
  if (!matches(pictures))
    pictures = Pictures{foreColor_.rgba(), backColor_.rgba(), window, size(), devicePixelRatio(), {}};
  return pictures;
}

void PieGauge::paintEvent(QPaintEvent*) {
  Pictures& pictures = picturesNow();
  QPixmap& picture = pictures.byProgress[std::size_t(progress_)];
  if (picture.isNull()) {
    picture = QPixmap(pictures.size * pictures.ratio);
    picture.setDevicePixelRatio(pictures.ratio);
    picture.fill(QColor::fromRgba(pictures.window));
    QPainter p(&picture);
    draw(p);
  }
  QPainter(this).drawPixmap(0, 0, picture);
}

void PieGauge::draw(QPainter& p) const {
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
