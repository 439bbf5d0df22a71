// Draws the three 32 x 32 toolbar images: the barrier's two columns with
// their beams above a band carrying the command's sign. Run once; the PNG
// files it writes are kept beside it and embedded in the program.
//
//   make_toolbar_images <output folder>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QString>
#include <cstdio>
#include <functional>

namespace {

constexpr int Size = 32;

void drawColumns(QPainter& p) {
  // Transmitter on the left, receiver on the right, three beams between.
  const QColor body(88, 88, 96), edge(40, 40, 44), lens(230, 40, 30), beam(255, 60, 40, 150);
  for (const int x : {3, 23}) {
    p.setPen(QPen(edge, 1));
    p.setBrush(body);
    p.drawRoundedRect(QRectF(x + 0.5, 1.5, 5, 18), 1.5, 1.5);
  }
  for (const int y : {5, 10, 15}) {
    p.setPen(QPen(beam, 1, Qt::DotLine));
    p.drawLine(QPointF(9, y + 0.5), QPointF(23, y + 0.5));
    p.setPen(Qt::NoPen);
    p.setBrush(lens);
    p.drawEllipse(QPointF(6, y + 0.5), 1.5, 1.5);
    p.drawEllipse(QPointF(26, y + 0.5), 1.5, 1.5);
  }
}

void drawBand(QPainter& p) {
  p.setPen(QPen(QColor(110, 110, 110), 1));
  p.setBrush(QColor(236, 236, 236));
  p.drawRoundedRect(QRectF(0.5, 21.5, 31, 10), 2, 2);
}

void triangle(QPainter& p, const QColor& fill, bool down) {
  QPolygonF t;
  if (down)
    t << QPointF(10, 23) << QPointF(22, 23) << QPointF(16, 30.5);
  else
    t << QPointF(10, 30.5) << QPointF(22, 30.5) << QPointF(16, 23);
  p.setPen(QPen(fill.darker(160), 1));
  p.setBrush(fill);
  p.drawPolygon(t);
}

void circularArrow(QPainter& p) {
  const QColor blue(20, 70, 200);
  const QRectF circle(12, 22.5, 8, 8);
  QPainterPath arc;
  arc.arcMoveTo(circle, 90);
  arc.arcTo(circle, 90, 280);
  p.setPen(QPen(blue, 1.6, Qt::SolidLine, Qt::FlatCap));
  p.setBrush(Qt::NoBrush);
  p.drawPath(arc);
  // Arrow head at the end of the arc, pointing on round the circle.
  const QPointF end = arc.currentPosition();
  QPolygonF head;
  head << end + QPointF(-2.6, -2.2) << end + QPointF(2.4, -0.6) << end + QPointF(-0.8, 2.6);
  p.setPen(Qt::NoPen);
  p.setBrush(blue);
  p.drawPolygon(head);
}

bool write(const QString& folder, const char* name, const std::function<void(QPainter&)>& sign) {
  QImage image(Size, Size, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  {
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    drawColumns(p);
    drawBand(p);
    sign(p);
  }
  const QString path = folder + QLatin1Char('/') + QLatin1String(name);
  if (!image.save(path, "PNG")) {
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
    return 2;
  }
  const QString folder = QString::fromLocal8Bit(argv[1]);
  bool ok = write(folder, "toolbar_read.png", [](QPainter& p) { triangle(p, QColor(0, 170, 0), true); });
  ok = write(folder, "toolbar_send.png", [](QPainter& p) { triangle(p, QColor(220, 0, 0), false); }) && ok;
  ok = write(folder, "toolbar_reset.png", circularArrow) && ok;
  return ok ? 0 : 1;
}
