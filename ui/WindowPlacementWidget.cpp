#include "ui/WindowPlacementWidget.h"

#include <QGuiApplication>
#include <QScreen>
#include <QVariant>
#include <QWidget>
#include <optional>

#include "files/SettingsStore.h"
#include "files/WindowPlacement.h"

namespace {

WindowPlace outerPlace(const QWidget* window) {
  const QRect frame = window->frameGeometry();
  return {frame.x(), frame.y(), frame.width(), frame.height()};
}

bool keepsItsSize(const QWidget* window) {
  return window->minimumSize() == window->maximumSize() || window->windowType() == Qt::Tool;
}

}  // namespace

void setPlacementHint(QWidget* window, const QString& hint) { window->setProperty(PlacementHintProperty, hint); }

QString windowValueName(const QWidget* window) {
  const QVariant hint = window->property(PlacementHintProperty);
  return placementValueName(window->windowTitle(), hint.isValid() ? hint.toString() : window->toolTip());
}

void loadWindowPlacement(QWidget* window, const QString& key, const QWidget* mainWindow) {
  PlacementRecord record{};
  const std::int32_t bytesRead = readStoredBytes(key, windowValueName(window), record.data(), PlacementRecordSize);

  const WindowPlace current = outerPlace(window);
  const QScreen* screen = QGuiApplication::primaryScreen();
  const QRect desktop =
      screen ? screen->virtualGeometry() : QRect(current.left, current.top, current.width, current.height);
  std::optional<int> mainLeft;
  if (mainWindow && mainWindow != window) mainLeft = mainWindow->frameGeometry().x();

  const WindowPlace place = decidePlacement(bytesRead, record, current, desktop, mainLeft);
  window->move(place.left, place.top);
  if (!keepsItsSize(window)) {
    // The record holds the outer size; resize() takes the inner one.
    const QSize frameExtra = window->frameGeometry().size() - window->size();
    window->resize(place.width - frameExtra.width(), place.height - frameExtra.height());
  }
}

void saveWindowPlacement(const QWidget* window, const QString& key) {
  if (window->isMaximized()) return;
  const PlacementRecord record = encodePlacement(outerPlace(window));
  writeStoredBytes(key, windowValueName(window), record.data(), PlacementRecordSize);
}
