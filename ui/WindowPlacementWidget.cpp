#include "ui/WindowPlacementWidget.h"

#include <QEvent>
#include <QGuiApplication>
#include <QLayout>
#include <QScreen>
#include <QTimer>
#include <QVariant>
#include <QWidget>
#include <optional>
#include <vector>

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

// A Wayland compositor places windows itself and tells a client nothing of
// where: every window reads (0, 0) there. Its stored place is for the next
// start on X11, so it is neither applied nor overwritten.
bool platformKnowsWindowPlaces() { return !QGuiApplication::platformName().startsWith(QStringLiteral("wayland")); }

std::vector<QRect> screenAreas() {
  std::vector<QRect> areas;
  for (const QScreen* screen : QGuiApplication::screens()) areas.push_back(screen->availableGeometry());
  return areas;
}

// A window placed before it had a frame was judged by its inside only. At its
// first paint it is on the screen with its frame; one that hangs over the
// edge of its screen by that frame is then moved onto it whole.
class FrameCheck : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::Paint) return false;
    auto* window = static_cast<QWidget*>(watched);
    window->removeEventFilter(this);
    deleteLater();
    // After the paint, not inside it.
    QTimer::singleShot(0, window, [window] {
      const WindowPlace now = outerPlace(window);
      const WindowPlace place = decidePlacement(0, PlacementRecord{}, now, screenAreas(), std::nullopt, true);
      if (place.left != now.left || place.top != now.top) window->move(place.left, place.top);
    });
    return false;
  }
};

}  // namespace

void setPlacementHint(QWidget* window, const QString& hint) { window->setProperty(PlacementHintProperty, hint); }

QString windowValueName(const QWidget* window) {
  const QVariant hint = window->property(PlacementHintProperty);
  return placementValueName(window->windowTitle(), hint.isValid() ? hint.toString() : window->toolTip());
}

void loadWindowPlacement(QWidget* window, const QString& key, const QWidget* mainWindow) {
  if (!platformKnowsWindowPlaces()) return;
  PlacementRecord record{};
  const std::int32_t bytesRead = readStoredBytes(key, windowValueName(window), record.data(), PlacementRecordSize);

  // Before a window exists, move() places its frame; a resize between its
  // creation and its first showing would turn that into the inside's place
  // (one title bar lower at every start). So the size settles first.
  window->ensurePolished();
  if (QLayout* layout = window->layout()) layout->activate();

  std::optional<int> mainLeft;
  if (mainWindow && mainWindow != window) mainLeft = mainWindow->frameGeometry().x();

  const WindowPlace place =
      decidePlacement(bytesRead, record, outerPlace(window), screenAreas(), mainLeft, keepsItsSize(window));
  window->move(place.left, place.top);
  if (!window->isVisible()) window->installEventFilter(new FrameCheck(window));
  if (!keepsItsSize(window)) {
    // The record holds the outer size; resize() takes the inner one.
    const QSize frameExtra = window->frameGeometry().size() - window->size();
    window->resize(place.width - frameExtra.width(), place.height - frameExtra.height());
  }
}

void saveWindowPlacement(const QWidget* window, const QString& key) {
  if (window->isMaximized() || !platformKnowsWindowPlaces()) return;
  const PlacementRecord record = encodePlacement(outerPlace(window));
  writeStoredBytes(key, windowValueName(window), record.data(), PlacementRecordSize);
}
