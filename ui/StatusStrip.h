#pragma once
#include <QFrame>

class QLabel;
class QMouseEvent;

// The status bar right of the activity gauge: two sunken text panels, 150
// and 50 wide; the rest stays empty. Tells of a double click anywhere on it.
class StatusStrip : public QFrame {
  Q_OBJECT
 public:
  explicit StatusStrip(QWidget* parent = nullptr);
  QLabel* panel(int index) const { return index == 0 ? panel0_ : panel1_; }

 signals:
  void doubleClicked();

 protected:
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  QLabel* panel0_;
  QLabel* panel1_;
};
