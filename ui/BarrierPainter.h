#pragma once
// The barrier picture drawn from the model, without widgets, so that it can be
// drawn into any image and checked pixel by pixel.
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QRgb>
#include <QString>

#include "model/BarrierModel.h"
#include "model/Colors.h"

class QPainter;

class BarrierPainter {
 public:
  // Redraws the whole picture into `image` (W x H = its size). Writes the
  // model in two places only: a beamCount of 0 becomes 8, and beamsDiag is
  // cleared when the log panel is hidden. A null image changes the model and
  // the blink state as a drawing would, but paints nothing.
  void draw(QImage& image, BarrierModel& model, bool logPanelVisible);

  // Colour of the columns at the last redraw in registration mode; black
  // (neither white nor aqua) until the first such redraw.
  Rgb rememberedColumnColour() const { return rememberedColumnColour_; }

 private:
  Rgb rememberedColumnColour_ = colors::Black;
};

// Replaces the 4-connected region of pixels equal to `replaceColour` that
// contains `seed` by `fillColour`. A seed outside the image or of another
// colour changes nothing. Compares whole QRgb values, as image.pixel() gives
// them (opaque formats give alpha 0xff).
void floodFill(QImage& image, QPoint seed, QRgb replaceColour, QRgb fillColour);

// Draws `text` in the painter's font and pen colour, centred in `rect`
// (offsets truncated toward zero, so a text wider than the box starts left
// of it), clipped to `rect`, on a transparent background.
void drawCenteredText(QPainter& painter, const QRect& rect, const QString& text);
