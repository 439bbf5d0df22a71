#include "util/HexText.h"

namespace {
constexpr char Digits[] = "0123456789ABCDEF";
}

QString numToHex(std::uint32_t value) {
  QString text;
  do {
    text.prepend(QLatin1Char(Digits[value & 0xF]));
    value >>= 4;
  } while (value != 0);
  if (text.size() % 2 != 0) text.prepend(QLatin1Char('0'));
  return text;
}

// Written in place: a status reply is dumped this way 25 times a second.
QString hexDump(std::span<const std::uint8_t> bytes) {
  QString text(qsizetype(bytes.size()) * 3, Qt::Uninitialized);
  QChar* out = text.data();
  for (std::uint8_t b : bytes) {
    *out++ = QLatin1Char(Digits[b >> 4]);
    *out++ = QLatin1Char(Digits[b & 0xF]);
    *out++ = QLatin1Char(' ');
  }
  return text;
}

QString bitMarks(std::uint16_t mask, int count) {
  if (count > 16) count = 16;
  QString text;
  for (int bit = 0; bit < count; ++bit) text += (mask >> bit) & 1 ? QStringLiteral(" x") : QStringLiteral(" .");
  return text;
}

QString bitListText(std::span<const std::uint8_t> bytes, int first) {
  const QChar range(0x00F7);  // "÷", byte F7 in Windows-1250
  QString text;
  long previous = 0;
  long number = first;
  for (std::uint8_t byte : bytes) {
    for (int bit = 0; bit < 8; ++bit, ++number) {
      if ((byte >> bit) & 1) {
        if (text.isEmpty()) {
          text = QString::number(number) + QLatin1Char(',');
        } else if (number == previous + 1) {
          if (text.endsWith(QLatin1Char(','))) text.back() = range;
        } else {
          text += QString::number(number) + QLatin1Char(',');
        }
        previous = number;
      } else if (text.endsWith(range)) {
        text += QString::number(previous) + QLatin1Char(',');
      }
    }
  }
  if (text.endsWith(range)) text += QString::number(previous);
  if (text.isEmpty()) text = QStringLiteral("-");
  if (text.endsWith(QLatin1Char(','))) text.back() = QLatin1Char(' ');
  return text;
}

QString beamListText(std::span<const std::uint8_t> bytes) { return bitListText(bytes, 1); }
