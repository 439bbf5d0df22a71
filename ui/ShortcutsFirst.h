#pragma once
// Gives a window's own menu shortcuts priority over the editing keys of its
// widgets: with an entry or a grid cell focused, Ctrl+X is the menu's reset,
// not Cut. Installed on the application, it acts only inside `window`.
#include <QObject>

class QWidget;

class ShortcutsFirst : public QObject {
 public:
  explicit ShortcutsFirst(QWidget* window);
  ~ShortcutsFirst() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* window_;
};
