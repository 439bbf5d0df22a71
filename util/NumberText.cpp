#include "util/NumberText.h"

#include <QLocale>
#include <climits>

std::int32_t textToNum(const QString& text) {
  int i = 0;
  const int n = int(text.size());
  while (i < n && text[i] == QLatin1Char(' ')) ++i;
  bool negative = false;
  if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) {
    negative = text[i] == QLatin1Char('-');
    ++i;
  }
  int base = 10;
  if (i < n && (text[i] == QLatin1Char('$') || text[i] == QLatin1Char('x') || text[i] == QLatin1Char('X'))) {
    base = 16;
    ++i;
  } else if (i + 1 < n && text[i] == QLatin1Char('0') &&
             (text[i + 1] == QLatin1Char('x') || text[i + 1] == QLatin1Char('X'))) {
    base = 16;
    i += 2;
  }
  long long value = 0;
  bool anyDigit = false;
  for (; i < n; ++i) {
    const int digit =
        QChar(text[i]).isDigit() && text[i].unicode() < 128                  ? text[i].unicode() - '0'
        : base == 16 && text[i].unicode() >= 'a' && text[i].unicode() <= 'f' ? text[i].unicode() - 'a' + 10
        : base == 16 && text[i].unicode() >= 'A' && text[i].unicode() <= 'F' ? text[i].unicode() - 'A' + 10
                                                                             : -1;
    if (digit < 0 || digit >= base) break;
    anyDigit = true;
    value = value * base + digit;
    if (value > INT_MAX) value = INT_MAX;  // saturate; no caller needs more
  }
  if (!anyDigit) return 0;
  // The sign counts only when the digits run to the end of the text.
  if (negative && i == n) return 0;
  return std::int32_t(value);
}

QString decimalText(double value, int decimals) {
  QLocale polish(QLocale::Polish);
  polish.setNumberOptions(QLocale::OmitGroupSeparator);
  return polish.toString(value, 'f', decimals);
}
