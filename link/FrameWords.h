#pragma once
// What a frame on the line means, in words a technician reads at a glance:
// "wiązka 2 zasłonięta, zasilanie 12,4 V". Pure: the frame alone decides,
// so a monitor can word its rows only when they are shown.
#include <QString>
#include <cstdint>
#include <span>

// The command's name ("status", "data2"); the byte in hex for one the
// protocol does not have.
QString commandName(int command);

// `frame` is a whole checked frame (FF FF L cmd payload check) sent to the
// barrier or received from it. `beamCount` (2..8) limits the per-beam lists
// of configuration frames; 0 words every beam the frame carries.
QString frameWords(std::span<const std::uint8_t> frame, bool fromBarrier, int beamCount = 0);
