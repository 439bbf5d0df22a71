#include "files/WindowPlacement.h"

#include <QtEndian>
#include <algorithm>

namespace {

std::int32_t readInt(std::span<const std::uint8_t, PlacementRecordSize> record, int index) {
  return qFromLittleEndian<std::int32_t>(record.data() + 4 * index);
}

// Edges wide, so that stored numbers near the int32 limits cannot overflow.
struct Edges {
  qint64 left, top, right, bottom;  // right and bottom exclusive
};

Edges edgesOf(const WindowPlace& place) {
  return {place.left, place.top, qint64(place.left) + place.width, qint64(place.top) + place.height};
}

Edges edgesOf(const QRect& screen) {
  return {screen.x(), screen.y(), qint64(screen.x()) + screen.width(), qint64(screen.y()) + screen.height()};
}

bool liesWithin(const Edges& place, const Edges& screen) {
  return place.left >= screen.left && place.top >= screen.top && place.right <= screen.right &&
         place.bottom <= screen.bottom;
}

qint64 overlap(const Edges& a, const Edges& b) {
  const qint64 width = std::min(a.right, b.right) - std::max(a.left, b.left);
  const qint64 height = std::min(a.bottom, b.bottom) - std::max(a.top, b.top);
  return width > 0 && height > 0 ? width * height : 0;
}

// Squared gap between two rectangles; 0 when they touch or overlap.
qint64 gap(const Edges& a, const Edges& b) {
  const qint64 dx = std::max<qint64>({0, b.left - a.right, a.left - b.right});
  const qint64 dy = std::max<qint64>({0, b.top - a.bottom, a.top - b.bottom});
  // Beyond 2^31 in either direction the comparison no longer matters; keep the square in range.
  const qint64 cx = std::min<qint64>(dx, 1LL << 31), cy = std::min<qint64>(dy, 1LL << 31);
  return cx * cx + cy * cy;
}

// The screen sharing the most area with the place, else the closest one.
const QRect& nearestScreen(const Edges& place, std::span<const QRect> screens) {
  const QRect* best = &screens.front();
  qint64 bestOverlap = -1, bestGap = 0;
  for (const QRect& screen : screens) {
    const qint64 o = overlap(place, edgesOf(screen));
    const qint64 g = gap(place, edgesOf(screen));
    if (o > bestOverlap || (o == 0 && bestOverlap == 0 && g < bestGap)) {
      best = &screen;
      bestOverlap = o;
      bestGap = g;
    }
  }
  return *best;
}

// The first coordinate at which a span of `size` lies within [low, high), or
// `low` when it is longer than that.
std::int32_t clampInto(qint64 at, qint64 size, qint64 low, qint64 high) {
  return std::int32_t(std::max(low, std::min(at, high - size)));
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
                            const WindowPlace& current, std::span<const QRect> screens,
                            std::optional<int> mainWindowLeft, bool keepsSize) {
  WindowPlace place = current;
  if (bytesRead > 0) {
    qint64 sum = 0;
    for (int i = 0; i < 4; ++i) sum += readInt(record, i);
    if (sum != 0) {
      place = decodePlacement(record);
      if (keepsSize || place.width <= 0 || place.height <= 0) {
        place.width = current.width;
        place.height = current.height;
      }
    }
  }
  if (mainWindowLeft && *mainWindowLeft > place.left) place.left = *mainWindowLeft;
  if (screens.empty()) return place;

  const Edges edges = edgesOf(place);
  for (const QRect& screen : screens)
    if (liesWithin(edges, edgesOf(screen))) return place;

  const Edges screen = edgesOf(nearestScreen(edges, screens));
  place.left = clampInto(place.left, place.width, screen.left, screen.right);
  place.top = clampInto(place.top, place.height, screen.top, screen.bottom);
  return place;
}
