#pragma once
// The stored position of a window and the decision where to put it, free of
// widgets so that it can be tested headless. The widget side is
// loadWindowPlacement / saveWindowPlacement in ui/WindowPlacementWidget.h.
#include <QRect>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <span>

// A window's outer rectangle in screen pixels. Plain numbers rather than
// QRect: a stored record may hold any four values, and QRect's edge
// arithmetic would overflow on some of them.
struct WindowPlace {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
  bool operator==(const WindowPlace&) const = default;
};

// Four little-endian signed 32-bit numbers: left, top, outer width, outer height.
inline constexpr std::int32_t PlacementRecordSize = 16;
using PlacementRecord = std::array<std::uint8_t, PlacementRecordSize>;

PlacementRecord encodePlacement(const WindowPlace& place);
WindowPlace decodePlacement(std::span<const std::uint8_t, PlacementRecordSize> record);

// The value name a window's placement is stored under: the hint when it
// occurs in the caption (case ignored), else the caption. An empty hint never
// occurs.
QString placementValueName(const QString& caption, const QString& hint);

// Where a window goes. `bytesRead` and `record` are what the store gave
// (record zero-filled beyond bytesRead); `current` is the window's present
// outer rectangle (its designed place until it has been placed);
// `screens` the screens' available rectangles; `mainWindowLeft` the left edge
// of another window that is the application's main window, if any.
// Nothing read, or a record whose four numbers add up to 0, means `current`.
// A window that `keepsSize` gets `current`'s size, any other the stored size
// (`current`'s when the stored one is no size). A place that does not lie
// whole on one screen (a monitor unplugged, a screen smaller than the design)
// is moved onto the nearest screen whole; a window larger than that screen
// goes to its top-left corner. A window left of the main window is moved
// right to the main window's left edge.
WindowPlace decidePlacement(std::int32_t bytesRead, std::span<const std::uint8_t, PlacementRecordSize> record,
                            const WindowPlace& current, std::span<const QRect> screens,
                            std::optional<int> mainWindowLeft, bool keepsSize);
