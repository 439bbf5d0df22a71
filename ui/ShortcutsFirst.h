#pragma once
// Gives a window's own menu shortcuts priority over the editing keys of its
// widgets: with an entry or a grid cell focused, Ctrl+X is the menu's reset,
// not Cut. The entries' context menus say so: an item whose key the window
// takes shows no key. Installed on the application, it acts only inside
// `window`.
#include <QObject>

class QKeySequence;
class QLineEdit;
class QMenu;
class QWidget;

class ShortcutsFirst : public QObject {
 public:
  explicit ShortcutsFirst(QWidget* window);
  ~ShortcutsFirst() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool claimedByWindow(const QKeySequence& keys) const;
  // `entry`'s standard context menu, each item's key shown only where it works.
  QMenu* contextMenu(QLineEdit* entry) const;

  QWidget* window_;
};
