#pragma once
// A pie-shaped progress gauge without border or text: the background colour
// fills the circle and the foreground colour the share of progress, from
// twelve o'clock clockwise.
#include <QColor>
#include <QWidget>

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
  int progress_ = 0;
  QColor foreColor_{255, 255, 0};
  QColor backColor_{0, 128, 0};
};
