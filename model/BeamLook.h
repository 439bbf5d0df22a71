#pragma once
// How one beam looks, from its status bits: the colour rule that the live
// picture and the timeline of the journal share.
#include <cstdint>

#include "model/Colors.h"

// In the order in which the rules override each other: a later rule wins.
enum class BeamLook : std::uint8_t { Normal, Nar, Half, Alert, Blocked, SwitchedOff };
inline constexpr int BeamLookCount = 6;

struct BeamBits {
  std::uint8_t nar = 0, half = 0, alert = 0, blocked = 0;
  std::uint8_t switchedOff = 0;  // response time 0 in the barrier
};

// Beam n (1..8) is bit n - 1 of each byte.
constexpr BeamLook beamLook(const BeamBits& bits, int beam) {
  const auto set = [beam](std::uint8_t byte) { return ((byte >> (beam - 1)) & 1u) != 0; };
  BeamLook look = BeamLook::Normal;
  if (set(bits.nar)) look = BeamLook::Nar;
  if (set(bits.half)) look = BeamLook::Half;
  if (set(bits.alert)) look = BeamLook::Alert;
  if (set(bits.blocked)) look = BeamLook::Blocked;
  if (set(bits.switchedOff)) look = BeamLook::SwitchedOff;
  return look;
}

constexpr Rgb beamLookColour(BeamLook look) {
  switch (look) {
    case BeamLook::Normal:
      return colors::Green;
    case BeamLook::Nar:
      return colors::Lime;
    case BeamLook::Half:
      return colors::Yellow;
    case BeamLook::Alert:
      return colors::Red;
    case BeamLook::Blocked:
      return colors::Silver;
    case BeamLook::SwitchedOff:
      return colors::Grey;
  }
  return colors::Grey;
}
