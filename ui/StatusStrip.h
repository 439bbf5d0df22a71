#pragma once
#include <QFrame>

class QLabel;
class QMouseEvent;
class QResizeEvent;

// The status bar right of the activity gauge: two sunken text panels, 150
// and 50 wide, and while the journal is off a mark that says so. Tells of a
// double click anywhere on it.
class StatusStrip : public QFrame {
  Q_OBJECT
 public:
  explicit StatusStrip(QWidget* parent = nullptr);
  QLabel* panel(int index) const { return index == 0 ? panel0_ : panel1_; }
  // Panel 0: the port's name followed by `state`. A name too long for the
  // panel is elided in the middle, so its start, its end and the state stay
  // readable; the tooltip is `toolTip` in full.
  void showPort(const QString& name, const QString& state, const QString& toolTip);
  // The journal is off for `reason` (the mark's tooltip); empty: it records.
  void showJournalOff(const QString& reason);
  QLabel* journalMark() const { return journalMark_; }

 signals:
  void doubleClicked();

 protected:
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  QLabel* panel0_;
  QLabel* panel1_;
  QLabel* journalMark_;
};
