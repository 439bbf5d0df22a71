#include "util/LogLineWriter.h"

#include <iconv.h>

#include <cerrno>
#include <string>

#include "util/OutputFile.h"

namespace {

// UTF-8 to Windows-1250; characters the code page lacks become '?'.
std::string toWindows1250(const QString& text) {
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

int appendLogLine(const QString& fileName, const QString& line, bool create) {
  std::string bytes = toWindows1250(line);
  bytes += "\r\n";
  const OutputResult r =
      appendToOwnFile(fileName, QByteArray(bytes.data(), qsizetype(bytes.size())), create, PrivateFileMode);
  if (r.failure == OutputFailure::NotRegularFile) return NotARegularFile;
  return r.systemError;
}
