#include "ui/ShortcutsFirst.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLineEdit>
#include <QMenu>
#include <QWidget>

ShortcutsFirst::ShortcutsFirst(QWidget* window) : QObject(window), window_(window) { qApp->installEventFilter(this); }

ShortcutsFirst::~ShortcutsFirst() { qApp->removeEventFilter(this); }

bool ShortcutsFirst::claimedByWindow(const QKeySequence& keys) const {
  for (const QAction* action : window_->findChildren<QAction*>())
    if (action->isEnabled() && action->shortcut() == keys) return true;
  return false;
}

QMenu* ShortcutsFirst::contextMenu(QLineEdit* entry) const {
  QMenu* menu = entry->createStandardContextMenu();
  // Qt writes an item's key after a tab in its text ("Wytnij\tCtrl+X").
  for (QAction* action : menu->actions()) {
    const QString text = action->text();
    const qsizetype tab = text.indexOf(u'\t');
    if (tab >= 0 && claimedByWindow(QKeySequence::fromString(text.mid(tab + 1), QKeySequence::NativeText)))
      action->setText(text.left(tab));
  }
  return menu;
}

bool ShortcutsFirst::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::ContextMenu) {
    auto* entry = qobject_cast<QLineEdit*>(watched);
    if (!entry || entry->window() != window_) return false;
    QMenu* menu = contextMenu(entry);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(static_cast<QContextMenuEvent*>(event)->globalPos());
    return true;
  }
  if (event->type() != QEvent::ShortcutOverride) return false;
  auto* widget = qobject_cast<QWidget*>(watched);
  if (!widget || widget->window() != window_) return false;
  const QKeySequence pressed(static_cast<QKeyEvent*>(event)->keyCombination());
  if (claimedByWindow(pressed)) {
    // Not claimed by the widget: the shortcut map gets the key.
    event->ignore();
    return true;
  }
  return false;
}
