#pragma once
// Small stateless text and number helpers used all over the program. Texts
// are UTF-8 QStrings inside the program; AppendLine converts to Windows-1250
// where bytes leave for a log file.
#include <QString>

#include <cstdint>
#include <span>

// Upper-case hexadecimal with an even number of digits: 0 -> "00", 419 -> "01A3".
QString NumToHex(std::uint32_t value);
// Two hex digits and a blank per byte ("FF FF 02 00 01 "); empty for no bytes.
QString HexDump(std::span<const std::uint8_t> bytes);
// `text` extended with blanks to `width`; a longer text is never cut.
QString PadRight(const QString& text, std::uint16_t width);
// " x" or " ." for each of the `count` lowest bits, bit 0 first; count capped at 16.
QString BitMarks(std::uint16_t mask, int count);
// Numbers of the set bits (bit j of byte i is first + 8i + j), runs as "a÷b",
// separated by commas; "-" when none is set. See the tests for the exact form.
QString BitListText(std::span<const std::uint8_t> bytes, int first);
// BitListText numbered from 1: the beams named by per-beam bytes.
QString BeamListText(std::span<const std::uint8_t> bytes);
// The leading number of a typed text: blanks skipped, optional sign, "$", "x"
// or "0x" for hexadecimal; what follows the digits is ignored. Never
// negative; saturates at 2147483647. Not a number gives 0.
std::int32_t TextToNum(const QString& text);
// File name without folder and without its last extension.
QString FileTitle(const QString& path);
// Version text: major "." minor release "." build in three digits (2.00.000).
QString VersionText(int major, int minor, int release, int build);
// The program's own version, as compiled in.
QString VersionText();
// Appends `line` and CR LF to `fileName` in Windows-1250, opening and closing
// the file for this one line. A missing file is created when `create` is set;
// an existing file is never truncated. Every failure is silent.
void AppendLine(const QString& fileName, const QString& line, bool create);
