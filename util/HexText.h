#pragma once
// Hexadecimal and bit texts for the log and the picture's hints.
#include <QString>
#include <cstdint>
#include <span>

// Upper-case hexadecimal with an even number of digits: 0 -> "00", 419 -> "01A3".
QString numToHex(std::uint32_t value);
// Two hex digits and a blank per byte ("FF FF 02 00 01 "); empty for no bytes.
QString hexDump(std::span<const std::uint8_t> bytes);
// " x" or " ." for each of the `count` lowest bits, bit 0 first; count capped at 16.
QString bitMarks(std::uint16_t mask, int count);
// Numbers of the set bits (bit j of byte i is first + 8i + j), runs as "a÷b",
// separated by commas; "-" when none is set. See the tests for the exact form.
QString bitListText(std::span<const std::uint8_t> bytes, int first);
// bitListText numbered from 1: the beams named by per-beam bytes.
QString beamListText(std::span<const std::uint8_t> bytes);
