#pragma once
// The picture of the barrier on the right of the main window: an
// off-screen image redrawn from the model and shown in one step, with the
// status in words as its hint.
#include <QImage>
#include <QString>
#include <QWidget>
#include <functional>

#include "ui/BarrierPainter.h"

class BarrierPicture : public QWidget {
  Q_OBJECT

 public:
  // The largest picture ever drawn; a bigger widget shows it at the top left.
  static constexpr int MaxWidth = 384;
  static constexpr int MaxHeight = 489;

  // Fills `parent` and follows its size. `logPanelVisible` tells whether the
  // log panel is shown (diagnostic lines are drawn only then).
  BarrierPicture(BarrierModel& model, std::function<bool()> logPanelVisible, QWidget* parent);

  // Redraws the picture from the model and repaints at once what changed on
  // screen. While the picture is hidden or its window minimised it only makes
  // the drawing's changes to the model, and draws when shown again.
  void drawBarrier();
  // Rebuilds the hint from the model; the hint is replaced only when it differs.
  void updateStatusHint();

  // The picture as last drawn.
  const QImage& image() const { return image_; }
  // The hint as built, lines joined by "\r".
  const QString& hint() const { return hint_; }
  const BarrierPainter& painter() const { return painter_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  BarrierModel& model_;
  std::function<bool()> logPanelVisible_;
  BarrierPainter painter_;
  QImage image_;
  QImage spare_;                      // the next drawing goes here, then the two swap
  BarrierPainter::Inputs drawnFrom_;  // what image_ shows
  bool stale_ = true;                 // image_ may not show drawnFrom_: draw and repaint it whole
  QString hint_;
};
