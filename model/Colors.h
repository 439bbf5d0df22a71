#pragma once
// The few plain RGB colours the program paints with, as 0xRRGGBB words so
// that code below the widgets can name them without QtGui.
#include <cstdint>

using Rgb = std::uint32_t;

constexpr Rgb makeRgb(unsigned r, unsigned g, unsigned b) { return (r << 16) | (g << 8) | b; }

namespace colors {
constexpr Rgb Black = makeRgb(0, 0, 0);
constexpr Rgb White = makeRgb(255, 255, 255);
constexpr Rgb Green = makeRgb(0, 128, 0);
constexpr Rgb Lime = makeRgb(0, 255, 0);
constexpr Rgb Yellow = makeRgb(255, 255, 0);
constexpr Rgb Red = makeRgb(255, 0, 0);
constexpr Rgb Silver = makeRgb(192, 192, 192);
constexpr Rgb Grey = makeRgb(128, 128, 128);
constexpr Rgb Aqua = makeRgb(0, 255, 255);
constexpr Rgb ChangedValue = makeRgb(255, 157, 157);  // an edited value the barrier does not hold yet
constexpr Rgb WindowFace = makeRgb(245, 196, 145);    // main window background
}  // namespace colors
