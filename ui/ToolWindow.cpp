#include "ui/ToolWindow.h"

#include <QGuiApplication>
#include <QScreen>
#include <QShortcut>
#include <QWidget>

namespace {
// The window manager's frame around the inner size: a title bar and borders.
constexpr QSize FrameAllowance(16, 40);
}  // namespace

void setUpToolWindow(QWidget* window, QSize wanted) {
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), window);
  escape->setContext(Qt::WindowShortcut);
  QObject::connect(escape, &QShortcut::activated, window, &QWidget::close);

  const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
  if (screen) wanted = wanted.boundedTo(screen->availableGeometry().size() - FrameAllowance);
  window->resize(wanted.expandedTo(window->minimumSizeHint()));
}
