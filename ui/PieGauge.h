#pragma once
// A pie-shaped progress gauge without border or text: the background colour
// fills the circle and the foreground colour the share of progress, from
// twelve o'clock clockwise. Around the circle it paints the palette's window
// colour itself, as its parents would, so that a step repaints it alone. It
// keeps the pictures it painted for its last two sets of colours: drawing a
// pie antialiased costs far more than copying it, and a gauge that steps on
// every reply comes round to the same pictures again and again.
#include <QColor>
#include <QPixmap>
#include <QWidget>
#include <array>

class PieGauge : public QWidget {
  Q_OBJECT
 public:
  explicit PieGauge(QWidget* parent = nullptr);

  int minValue() const { return 0; }
  int maxValue() const { return 100; }
  int progress() const { return progress_; }
  // Clamped to minValue()..maxValue().
  void setProgress(int value);
  QColor foreColor() const { return foreColor_; }
  void setForeColor(const QColor& colour);
  QColor backColor() const { return backColor_; }
  void setBackColor(const QColor& colour);

  QSize sizeHint() const override { return {22, 21}; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void draw(QPainter& p) const;

  struct Pictures {
    QRgb fore = 0, back = 0, window = 0;
    QSize size;
    qreal ratio = 0;
    std::array<QPixmap, 101> byProgress;  // null until painted
  };
  Pictures& picturesNow();

  int progress_ = 0;
  QColor foreColor_{255, 255, 0};
  QColor backColor_{0, 128, 0};
  std::array<Pictures, 2> pictures_;
  std::size_t newerPictures_ = 0;
};
