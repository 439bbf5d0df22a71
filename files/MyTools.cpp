#include "MyTools.h"

#include <QFile>

#include <fcntl.h>
#include <iconv.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <string>

QString NumToHex(std::uint32_t value) {
  static const char digits[] = "0123456789ABCDEF";
  QString text;
  do {
    text.prepend(QLatin1Char(digits[value & 0xF]));
    value >>= 4;
  } while (value != 0);
  if (text.size() % 2 != 0) text.prepend(QLatin1Char('0'));
  return text;
}

QString HexDump(std::span<const std::uint8_t> bytes) {
  QString text;
  text.reserve(int(bytes.size()) * 3);
  for (std::uint8_t b : bytes) {
    text += NumToHex(b);
    text += QLatin1Char(' ');
  }
  return text;
}

QString PadRight(const QString& text, std::uint16_t width) {
  if (text.size() >= width) return text;
  return text + QString(width - text.size(), QLatin1Char(' '));
}

QString BitMarks(std::uint16_t mask, int count) {
  if (count > 16) count = 16;
  QString text;
  for (int bit = 0; bit < count; ++bit) text += (mask >> bit) & 1 ? QStringLiteral(" x") : QStringLiteral(" .");
  return text;
}

QString BitListText(std::span<const std::uint8_t> bytes, int first) {
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

QString BeamListText(std::span<const std::uint8_t> bytes) { return BitListText(bytes, 1); }

std::int32_t TextToNum(const QString& text) {
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
  } else if (i + 1 < n && text[i] == QLatin1Char('0') && (text[i + 1] == QLatin1Char('x') || text[i + 1] == QLatin1Char('X'))) {
    base = 16;
    i += 2;
  }
  long long value = 0;
  bool anyDigit = false;
  for (; i < n; ++i) {
    const int digit = QChar(text[i]).isDigit() && text[i].unicode() < 128 ? text[i].unicode() - '0'
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

QString FileTitle(const QString& path) {
  QString name = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
  const auto dot = name.lastIndexOf(QLatin1Char('.'));
  if (dot >= 0) name.truncate(dot);
  return name;
}

QString VersionText(int major, int minor, int release, int build) {
  const auto low = [](int part) { return QString::number(part & 0xFF); };
  return low(major) + QLatin1Char('.') + low(minor) + low(release) + QLatin1Char('.') +
         QStringLiteral("%1").arg(build & 0xFF, 3, 10, QLatin1Char('0'));
}

QString VersionText() {
  return VersionText(ORVITA_VERSION_MAJOR, ORVITA_VERSION_MINOR, ORVITA_VERSION_PATCH, ORVITA_VERSION_TWEAK);
}

namespace {

// UTF-8 to Windows-1250; characters the code page lacks become '?'.
std::string ToWindows1250(const QString& text) {
  const QByteArray utf8 = text.toUtf8();
  iconv_t cd = iconv_open("CP1250", "UTF-8");
  if (cd == iconv_t(-1)) return std::string(utf8.constData(), std::size_t(utf8.size()));
  std::string out;
  out.resize(std::size_t(utf8.size()) + 16);
  char* in = const_cast<char*>(utf8.constData());
  std::size_t inLeft = std::size_t(utf8.size());
  std::size_t written = 0;
  while (inLeft > 0) {
    char* outPtr = out.data() + written;
    std::size_t outLeft = out.size() - written;
    const std::size_t r = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    written = std::size_t(outPtr - out.data());
    if (r != std::size_t(-1)) break;
    if (errno == E2BIG) {
      out.resize(out.size() * 2);
    } else {
      // An unmappable or broken sequence: mark it and skip one code point.
      if (written == out.size()) out.resize(out.size() * 2);
      out[written++] = '?';
      do {
        ++in;
        --inLeft;
      } while (inLeft > 0 && (static_cast<unsigned char>(*in) & 0xC0) == 0x80);
    }
  }
  iconv_close(cd);
  out.resize(written);
  return out;
}

}  // namespace

void AppendLine(const QString& fileName, const QString& line, bool create) {
  const QByteArray path = QFile::encodeName(fileName);
  int fd = ::open(path.constData(), O_WRONLY | O_APPEND | O_CLOEXEC);
  if (fd < 0 && create && errno == ENOENT) fd = ::open(path.constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return;
  std::string bytes = ToWindows1250(line);
  bytes += "\r\n";
  // One write, so that a line never interleaves with another writer's.
  const char* p = bytes.data();
  std::size_t left = bytes.size();
  while (left > 0) {
    const ssize_t n = ::write(fd, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    p += n;
    left -= std::size_t(n);
  }
  ::close(fd);
}
