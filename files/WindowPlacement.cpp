#include "files/WindowPlacement.h"

#include <QtEndian>

namespace {

std::int32_t readInt(std::span<const std::uint8_t, PlacementRecordSize> record, int index) {
  return qFromLittleEndian<std::int32_t>(record.data() + 4 * index);
}

// Invalid when the top edge is off the desktop, fewer than 25 pixels of the
// window would show at the right or the bottom, the left edge is left of the
// desktop, or the window would sit left of the main window.
bool inView(const WindowPlace& place, const QRect& desktop, std::optional<int> mainWindowLeft) {
  const qint64 left = place.left;
  const qint64 top = place.top;
  const qint64 desktopRight = qint64(desktop.x()) + desktop.width();
  if (top < 0) return false;
  if (top + 25 > desktop.height()) return false;
  if (desktopRight < left + 25) return false;
  if (left < desktop.x()) return false;
  if (mainWindowLeft && *mainWindowLeft > left) return false;
  return true;
}

}  // namespace

PlacementRecord encodePlacement(const WindowPlace& place) {
  PlacementRecord record{};
  const std::int32_t values[4] = {place.left, place.top, place.width, place.height};
  for (int i = 0; i < 4; ++i) qToLittleEndian<std::int32_t>(values[i], record.data() + 4 * i);
  return record;
}

WindowPlace decodePlacement(std::span<const std::uint8_t, PlacementRecordSize> record) {
  return {readInt(record, 0), readInt(record, 1), readInt(record, 2), readInt(record, 3)};
}

QString placementValueName(const QString& caption, const QString& hint) {
  if (!hint.isEmpty() && caption.contains(hint, Qt::CaseInsensitive)) return hint;
  return caption;
}

WindowPlace decidePlacement(std::int32_t bytesRead, std::span<const std::uint8_t, PlacementRecordSize> record,
                            const WindowPlace& current, const QRect& desktop, std::optional<int> mainWindowLeft) {
  WindowPlace place = current;
  if (bytesRead > 0) {
    // Summed wide: four stored numbers near the int32 limits must not overflow.
    qint64 sum = 0;
    for (int i = 0; i < 4; ++i) sum += readInt(record, i);
    if (sum != 0) place = decodePlacement(record);
  }
  if (inView(place, desktop, mainWindowLeft)) return place;

  const std::int32_t width = current.width;
  const std::int32_t height = current.height;
  const std::int32_t top = desktop.height() > height ? (desktop.height() - height) / 2 : 0;
  const std::int32_t left = (desktop.width() > width ? (desktop.width() - width) / 2 : 0) + desktop.x();
  return {left, top, width, height};
}
