#pragma once
// The few plain RGB colours the program paints with, as 0xRRGGBB words so
// that code below the widgets can name them without QtGui.
#include <cstdint>

using Rgb = std::uint32_t;

constexpr Rgb MakeRgb(unsigned r, unsigned g, unsigned b) { return (r << 16) | (g << 8) | b; }

namespace colors {
constexpr Rgb Black = MakeRgb(0, 0, 0);
constexpr Rgb White = MakeRgb(255, 255, 255);
constexpr Rgb Green = MakeRgb(0, 128, 0);
constexpr Rgb Lime = MakeRgb(0, 255, 0);
constexpr Rgb Yellow = MakeRgb(255, 255, 0);
constexpr Rgb Red = MakeRgb(255, 0, 0);
constexpr Rgb Silver = MakeRgb(192, 192, 192);
constexpr Rgb Grey = MakeRgb(128, 128, 128);
constexpr Rgb Aqua = MakeRgb(0, 255, 255);
constexpr Rgb ChangedValue = MakeRgb(255, 157, 157);  // an edited value the barrier does not hold yet
constexpr Rgb WindowFace = MakeRgb(245, 196, 145);    // main window background
}  // namespace colors
