#include "ui/BarrierPainter.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPen>
#include <QPolygon>
#include <array>
#include <cmath>
#include <vector>

#include "link/StatusWords.h"
#include "model/BeamLook.h"

// How strokes fall on pixels. Nothing is antialiased, so the picture holds
// only its named colours. Pens have flat caps and mitred joins: a stroke from
// (x1, y) to (x2, y) covers x1..x2-1 (the end point left out, as the classic
// raster line does); a 4-pixel pen covers rows y-2..y+1, a 2-pixel pen rows
// y-1..y, a 1-pixel pen row y, and vertical strokes likewise in columns.
// Strokes chained into a path are drawn as one polyline so that its corners
// close. A box (l, t, r, b) covers x l..r-1 and y t..b-1, filled or outlined.

namespace {

QRgb opaque(Rgb colour) { return 0xff000000u | colour; }

bool isSet(unsigned byte, int bit) { return ((byte >> bit) & 1u) != 0; }

// x(j) for j = 0..31 of a line split into 31 equal parts of `part` pixels
// starting at x0: j * part rounded half to even.
std::array<int, 32> splitPoints(int x0, double part) {
  std::array<int, 32> x{};
  for (int j = 0; j < 32; ++j) x[std::size_t(j)] = int(std::nearbyint(j * part)) + x0;
  return x;
}

// The painter on the image, ended for the moment of a flood fill; the pen
// outlives the pause.
class Canvas {
 public:
  explicit Canvas(QImage& image) : image_(image) { begin(); }

  void pen(Rgb colour, int width) {
    QPen pen(QColor::fromRgb(opaque(colour)));
    pen.setWidth(width);
    pen.setCapStyle(Qt::FlatCap);
    pen.setJoinStyle(Qt::MiterJoin);
    pen_ = pen;
    painter_.setPen(pen_);
  }
  void line(int x1, int y1, int x2, int y2) { painter_.drawLine(x1, y1, x2, y2); }
  void path(std::initializer_list<QPoint> points) { painter_.drawPolyline(QPolygon(points)); }
  void fillBox(int l, int t, int r, int b, Rgb colour) {
    if (r > l && b > t) painter_.fillRect(QRect(l, t, r - l, b - t), QColor::fromRgb(opaque(colour)));
  }
  // With the current pen; filled with `fill` unless it is null.
  void roundBox(int l, int t, int r, int b, const Rgb* fill) {
    painter_.setBrush(fill ? QBrush(QColor::fromRgb(opaque(*fill))) : QBrush(Qt::NoBrush));
    painter_.drawRoundedRect(QRectF(l, t, r - l - 1, b - t - 1), 5, 5);
  }
  void ellipse(int l, int t, int r, int b, Rgb fill) {
    painter_.setBrush(QColor::fromRgb(opaque(fill)));
    painter_.drawEllipse(QRectF(l, t, r - l - 1, b - t - 1));
  }
  void uiText(int left, int top, const QString& text) {
    painter_.drawText(QPoint(left, top + painter_.fontMetrics().ascent()), text);
  }
  void centeredText(int l, int t, int r, int b, const QString& text) {
    drawCenteredText(painter_, QRect(l, t, r - l, b - t), text);
  }
  void fill(QPoint seed, Rgb replace, Rgb fill) {
    painter_.end();
    floodFill(image_, seed, opaque(replace), opaque(fill));
    begin();
  }

 private:
  void begin() {
    painter_.begin(&image_);
    painter_.setRenderHint(QPainter::Antialiasing, false);
    painter_.setRenderHint(QPainter::TextAntialiasing, false);
    QFont font = painter_.font();
    font.setStyleStrategy(QFont::NoAntialias);
    painter_.setFont(font);
    painter_.setBackgroundMode(Qt::TransparentMode);
    painter_.setPen(pen_);
  }

  QImage& image_;
  QPainter painter_;
  QPen pen_;
};

Rgb beamColour(const BarrierPainter::Inputs& s, int beam) {
  if (!s.connected) return colors::Grey;
  return beamLookColour(beamLook({s.beamsNar, s.beams50, s.beamsAlert, s.beamsBlocked, s.switchedOff}, beam));
}

}  // namespace

BarrierPainter::Inputs BarrierPainter::prepare(BarrierModel& model, bool logPanelVisible) {
  if (model.beamCount == 0) model.beamCount = 8;
  if (!logPanelVisible) model.status.beamsDiag = 0;

  const BarrierStatus& s = model.status;
  Inputs in;
  in.beamsNar = s.beamsNar;
  in.beams50 = s.beams50;
  in.beamsAlert = s.beamsAlert;
  in.beamsBlocked = s.beamsBlocked;
  in.beamsBlockMemory = s.beamsBlockMemory;
  in.beamsDiag = s.beamsDiag;
  in.statusFlags = s.statusFlags;
  for (int beam = 1; beam <= 8; ++beam)
    if (model.deviceConfig[BarrierConfig::responseTime(beam)] == 0) in.switchedOff |= std::uint8_t(1u << (beam - 1));
  in.connected = !model.versionInfo.empty();
  // A beam count above 8 (from a file) is drawn as 8.
  in.beams = model.shownBeams();
  in.supplyBox = supplyBoxText(model);
  if (s.statusFlags & statusflag::Registration) {
    in.column = rememberedColumnColour_ == colors::White ? colors::Aqua : colors::White;
    rememberedColumnColour_ = in.column;
  }
  return in;
}

void BarrierPainter::draw(QImage& image, BarrierModel& model, bool logPanelVisible) {
  const Inputs inputs = prepare(model, logPanelVisible);
  if (!image.isNull()) draw(image, inputs);
}

void BarrierPainter::draw(QImage& image, const Inputs& in) {
  const Inputs& s = in;
  const unsigned flags = in.statusFlags;
  const Rgb column = in.column;
  const int N = in.beams;
  const int W = image.width();
  const int H = image.height();
  const int step = (H - 130) / (2 * N);  // no lower bound: a low picture stacks the beams
  const auto beamY = [&](int b) { return 30 + step * (2 * (N - b) + 1); };
  const int h = W / 2 - 4;

  Canvas c(image);
  c.fillBox(0, 0, W, H, colors::Black);

  const std::array<int, 32> dashX = splitPoints(5, (W - 10) / 31.0);
  for (int b = 1; b <= N; ++b) {
    const int y = beamY(b);
    const int bit = b - 1;
    c.pen(beamColour(in, b), 4);
    if (isSet(s.beamsAlert, bit)) {
      for (std::size_t j = 1; j <= 31; j += 2) c.line(dashX[j - 1], y, dashX[j], y);
    } else {
      c.line(5, y, W - 5, y);
    }
    if (isSet(s.beamsDiag, 8 - b)) {
      c.pen(colors::Aqua, 4);
      c.line(5, y - 5, W - 5, y - 5);
      c.line(5, y + 5, W - 5, y + 5);
    }
    if (isSet(s.beamsBlocked, bit) || isSet(s.beamsBlockMemory, bit)) {
      if (isSet(s.beamsBlocked, bit)) {
        c.pen(colors::Black, 4);
        c.line(24, y, W - 22, y);
      }
      c.pen(colors::Silver, 2);
      c.line(27, y - 5, 17, y + 5);
      c.line(17, y - 5, 27, y + 5);
      c.line(W - 17, y - 5, W - 27, y + 5);
      c.line(W - 27, y - 5, W - 17, y + 5);
    }
  }

  c.fillBox(2, 10, 12, H - 90, column);
  c.fillBox(W - 12, 10, W - 2, H - 90, column);

  c.pen(colors::Black, 1);
  for (int xr : {10, W - 7}) c.path({{xr, 33}, {xr - 5, 37}, {xr, 41}, {xr, 33}});
  for (int xr : {10, W - 7}) c.fill({xr - 2, 37}, column, colors::Black);

  if (flags & statusflag::Led) {
    c.pen(colors::Red, 1);
    c.ellipse(6, 57, 10, 63, colors::Red);
  }

  if (flags & statusflag::BusTamper) {
    c.pen(colors::Red, 2);
    const std::array<int, 32> x = splitPoints(8, (W - 14) / 31.0);
    const int y = H - 80;
    c.path({{8, H - 90}, {8, y}, {x[1], y}});
    for (std::size_t j = 3; j < 31; j += 2) c.line(x[j - 1], y, x[j], y);
    // x[31] is W - 6: the wire rises one pixel further right than when intact.
    c.path({{x[30], y}, {x[31], y}, {x[31], H - 90}});
  } else {
    c.pen(colors::Aqua, 2);
    c.path({{8, H - 90}, {8, H - 80}, {W - 7, H - 80}, {W - 7, H - 90}});
  }

  c.pen(colors::Aqua, 2);
  c.path({{4, H - 90}, {4, H - 77}, {12, H - 69}, {6, H - 69}});
  c.line(12, H - 69, 12, H - 75);

  const auto tamper = [&](int inner, int outer, int seedX, int edgeX) {
    c.pen(colors::Red, 1);
    for (int y0 : {10, H - 111}) {
      c.path({{inner, y0}, {inner, y0 + 20}, {outer, y0 + 20}, {outer, y0}, {inner, y0}});
      c.fill({seedX, y0 + 3}, column, colors::Red);
    }
    c.pen(colors::Red, 2);
    c.line(edgeX, 10, edgeX, H - 91);
  };
  if (flags & statusflag::ReceiverTamper) tamper(11, 6, 8, 3);
  if (flags & statusflag::TransmitterTamper) tamper(W - 7, W - 12, W - 10, W - 3);

  c.pen(colors::Black, 1);
  for (int b = 1; b <= N; ++b) c.uiText(W - 11, beamY(b) - 5, QString::number(b));

  const auto box = [&](int l, int t, int r, int b, bool set, const QString& text) {
    c.pen(set ? colors::Red : colors::Green, 1);
    const Rgb red = colors::Red;
    c.roundBox(l, t, r, b, set ? &red : nullptr);
    c.pen(colors::Yellow, 1);
    c.centeredText(l, t, r, b, text);
  };
  const bool alarm = flags & statusflag::AlarmOutput;
  const bool tamperOut = flags & statusflag::TamperOutput;
  box(2, H - 55, h + 2, H - 30, alarm, alarmOutputText(in.statusFlags));
  box(h + 4, H - 55, 2 * h + 5, H - 30, tamperOut, tamperOutputText(in.statusFlags));
  box(2, H - 27, 2 * h + 5, H - 2, flags & statusflag::LowSupply, in.supplyBox);
}

void floodFill(QImage& image, QPoint seed, QRgb replaceColour, QRgb fillColour) {
  const QRect bounds = image.rect();
  if (!bounds.contains(seed) || image.pixel(seed) != replaceColour) return;
  image.setPixel(seed, fillColour);
  // A fill colour the image stores as the replaced one would refill forever.
  if (image.pixel(seed) == replaceColour) return;

  // Every pixel is recoloured when pushed, so each enters the stack once.
  std::vector<QPoint> stack{seed};
  while (!stack.empty()) {
    const QPoint p = stack.back();
    stack.pop_back();
    for (const QPoint next :
         {QPoint(p.x() + 1, p.y()), QPoint(p.x() - 1, p.y()), QPoint(p.x(), p.y() + 1), QPoint(p.x(), p.y() - 1)}) {
      if (bounds.contains(next) && image.pixel(next) == replaceColour) {
        image.setPixel(next, fillColour);
        stack.push_back(next);
      }
    }
  }
}

void drawCenteredText(QPainter& painter, const QRect& rect, const QString& text) {
  const QFontMetrics metrics = painter.fontMetrics();
  const int left = rect.left() + (rect.width() - metrics.horizontalAdvance(text)) / 2;
  const int top = rect.top() + (rect.height() - metrics.height()) / 2;
  painter.save();
  painter.setClipRect(rect, Qt::IntersectClip);
  painter.setBackgroundMode(Qt::TransparentMode);
  painter.drawText(QPoint(left, top + metrics.ascent()), text);
  painter.restore();
}
