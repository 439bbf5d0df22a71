#pragma once
#include <QByteArray>
#include <QString>
#include <cstdint>
#include <span>

// Version text: major "." minor release "." build in three digits (2.00.000).
QString versionText(int major, int minor, int release, int build);
// The program's own version, as compiled in.
QString versionText();
// The program's own version as its package and --version give it (2.0.0.0).
QString packageVersion();
// A barrier's firmware from its 8 version bytes: "1.05" from bytes 1..3 and
// the date "2021-07-14" from bytes 4..7 (hexadecimal digits); empty when
// the bytes are too few.
QString barrierFirmwareVersion(std::span<const std::uint8_t> versionBytes);
QString barrierFirmwareDate(std::span<const std::uint8_t> versionBytes);
// The same from the bytes as the journal keeps them.
QString barrierFirmwareVersion(const QByteArray& versionBytes);
QString barrierFirmwareDate(const QByteArray& versionBytes);
