#pragma once
#include <QFrame>
#include <functional>

class QLabel;
class QPushButton;
class QToolButton;

// A notice the user must not miss (a send that did not reach the barrier, a
// reset dropped, a file for another beam count): a bar of its own under the
// identification bar, the whole text wrapped in red, with a button that
// closes it and, for some notices, one that acts on what they say. Hidden
// while there is nothing to say; its height follows the text, so whoever
// lays it out asks heightForWidth.
class NoticeBar : public QFrame {
  Q_OBJECT
 public:
  explicit NoticeBar(QWidget* parent = nullptr);
  // Shows `text`; an empty text hides the bar.
  void setText(const QString& text);
  QString text() const;
  // A button beside the text that runs `act` once; it goes with the notice
  // it was offered with, and with its own click.
  void offerAction(const QString& label, std::function<void()> act);
  QLabel* label() const { return label_; }
  QToolButton* closeButton() const { return close_; }
  QPushButton* actionButton() const { return action_; }
  bool hasHeightForWidth() const override { return true; }
  int heightForWidth(int width) const override;

 signals:
  // Shown, hidden or its text changed: the room it needs may differ.
  void changed();

 private:
  QLabel* label_;
  QPushButton* action_;
  QToolButton* close_;
  std::function<void()> act_;
};
