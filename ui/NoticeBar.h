#pragma once
#include <QFrame>

class QLabel;
class QToolButton;

// A notice the user must not miss (a send that did not reach the barrier, a
// reset dropped, a file for another beam count): a bar of its own under the
// identification bar, the whole text wrapped in red, with a button that
// closes it. Hidden while there is nothing to say; its height follows the
// text, so whoever lays it out asks heightForWidth.
class NoticeBar : public QFrame {
  Q_OBJECT
 public:
  explicit NoticeBar(QWidget* parent = nullptr);
  // Shows `text`; an empty text hides the bar.
  void setText(const QString& text);
  QString text() const;
  QLabel* label() const { return label_; }
  QToolButton* closeButton() const { return close_; }
  bool hasHeightForWidth() const override { return true; }
  int heightForWidth(int width) const override;

 signals:
  // Shown, hidden or its text changed: the room it needs may differ.
  void changed();

 private:
  QLabel* label_;
  QToolButton* close_;
};
