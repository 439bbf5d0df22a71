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
  // All that a drawing is made of: two drawings from equal inputs into
  // images of one size are the same picture.
  struct Inputs {
    std::uint8_t beamsNar = 0, beams50 = 0, beamsAlert = 0, beamsBlocked = 0, beamsBlockMemory = 0, beamsDiag = 0;
    std::uint8_t statusFlags = 0;
    std::uint8_t switchedOff = 0;  // beams whose response time is 0 in the barrier, beam n as bit n - 1
    bool connected = false;
    int beams = 8;
    QString supplyBox;           // the supply box's text
    Rgb column = colors::White;  // of both columns
    bool operator==(const Inputs&) const = default;
  };

  // The model's side of a drawing: a beamCount of 0 becomes 8, beamsDiag is
  // cleared when the log panel is hidden, and in registration mode the
  // columns change colour. Returns what the picture is then drawn from.
  Inputs prepare(BarrierModel& model, bool logPanelVisible);
  // Draws the whole picture into `image` (W x H = its size) from `inputs` alone.
  static void draw(QImage& image, const Inputs& inputs);
  // prepare(), then draw() into `image` unless it is null.
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
