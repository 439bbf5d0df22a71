#include "ui/ShortcutsFirst.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QWidget>

ShortcutsFirst::ShortcutsFirst(QWidget* window) : QObject(window), window_(window) { qApp->installEventFilter(this); }

ShortcutsFirst::~ShortcutsFirst() { qApp->removeEventFilter(this); }

bool ShortcutsFirst::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::ShortcutOverride) return false;
  auto* widget = qobject_cast<QWidget*>(watched);
  if (!widget || widget->window() != window_) return false;
  const QKeySequence pressed(static_cast<QKeyEvent*>(event)->keyCombination());
  for (const QAction* action : window_->findChildren<QAction*>()) {
    if (action->isEnabled() && action->shortcut() == pressed) {
      // Not claimed by the widget: the shortcut map gets the key.
      event->ignore();
      return true;
    }
  }
  return false;
}
