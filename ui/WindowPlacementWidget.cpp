#include "WindowPlacementWidget.h"

#include "Registry.h"
#include "WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QVariant>
#include <QWidget>

#include <optional>

namespace {

WindowPlace OuterPlace(const QWidget* window) {
  const QRect frame = window->frameGeometry();
  return {frame.x(), frame.y(), frame.width(), frame.height()};
}

bool KeepsItsSize(const QWidget* window) {
  return window->minimumSize() == window->maximumSize() || window->windowType() == Qt::Tool;
}

}  // namespace

void SetPlacementHint(QWidget* window, const QString& hint) { window->setProperty(PlacementHintProperty, hint); }

QString WindowValueName(const QWidget* window) {
  const QVariant hint = window->property(PlacementHintProperty);
  return PlacementValueName(window->windowTitle(), hint.isValid() ? hint.toString() : window->toolTip());
}

void LoadWindowPlacement(QWidget* window, const QString& key, const QWidget* mainWindow) {
  PlacementRecord record{};
  const std::int32_t bytesRead = RegReadBytes(key, WindowValueName(window), record.data(), PlacementRecordSize);

  const WindowPlace current = OuterPlace(window);
  const QScreen* screen = QGuiApplication::primaryScreen();
  const QRect desktop =
      screen ? screen->virtualGeometry() : QRect(current.left, current.top, current.width, current.height);
  std::optional<int> mainLeft;
  if (mainWindow && mainWindow != window) mainLeft = mainWindow->frameGeometry().x();

  const WindowPlace place = DecidePlacement(bytesRead, record, current, desktop, mainLeft);
  window->move(place.left, place.top);
  if (!KeepsItsSize(window)) {
    // The record holds the outer size; resize() takes the inner one.
    const QSize frameExtra = window->frameGeometry().size() - window->size();
    window->resize(place.width - frameExtra.width(), place.height - frameExtra.height());
  }
}

void SaveWindowPlacement(const QWidget* window, const QString& key) {
  if (window->isMaximized()) return;
  const PlacementRecord record = EncodePlacement(OuterPlace(window));
  RegWriteBytes(key, WindowValueName(window), record.data(), PlacementRecordSize);
}
