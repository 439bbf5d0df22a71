#pragma once
// The timeline on screen: draws a TimelineData through TimelineViewport,
// zooms with the wheel, + and − and a range dragged with the right button
// (or with Shift), pans by dragging and with the arrow keys, and shows the
// moment and the markers under the cursor in words at once. A frame around
// the plot shows it has the keyboard's focus.
#include <QImage>
#include <QWidget>
#include <optional>

#include "ui/TimelineData.h"
#include "ui/TimelineViewport.h"

namespace timeline {

class TimelineView : public QWidget {
  Q_OBJECT

 public:
  TimelineView(const TimelineData& data, QWidget* parent = nullptr);

  TimelineViewport& viewport() { return viewport_; }
  const TimelineViewport& viewport() const { return viewport_; }
  // The data or the viewport changed: draw again at the next paint.
  void refresh();
  // The view as last drawn (what "Obraz PNG…" saves).
  QImage picture();
  // What hovering over x, y shows; empty where no lane or curve is.
  QString hoverText(QPoint position) const;

  void zoomIn();
  void zoomOut();

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 signals:
  // The user moved the view (zoom or pan), as opposed to the program.
  void movedByUser();
  void viewChanged();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  QRect plotRect() const;
  qint64 timeAt(int x) const;
  double fractionAt(int x) const;
  void moved();

  const TimelineData& data_;
  TimelineViewport viewport_;
  QImage image_;
  bool stale_ = true;
  std::optional<int> cursorX_;
  enum class Drag { None, Pan, Select } drag_ = Drag::None;
  int dragStartX_ = 0;
  qint64 dragStartMs_ = 0;
  int selectionEndX_ = 0;
};

}  // namespace timeline
