#include "util/LogLineWriter.h"

#include <fcntl.h>
#include <iconv.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <cerrno>
#include <string>

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
  const QByteArray path = QFile::encodeName(fileName);
  // O_NONBLOCK: a pipe planted under the name must not hang the program; it
  // is refused below like every other file that is not a regular one.
  constexpr int flags = O_WRONLY | O_APPEND | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
  int fd = ::open(path.constData(), flags);
  if (fd < 0 && create && errno == ENOENT) {
    // O_EXCL: a name that appeared since the first try (a link among them) is not ours to create.
    fd = ::open(path.constData(), flags | O_CREAT | O_EXCL, 0644);
    if (fd < 0 && errno == EEXIST) fd = ::open(path.constData(), flags);
  }
  if (fd < 0) return errno == ELOOP ? NotARegularFile : errno;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return NotARegularFile;
  }
  std::string bytes = toWindows1250(line);
  bytes += "\r\n";
  // One write, so that a line never interleaves with another writer's.
  const char* p = bytes.data();
  std::size_t left = bytes.size();
  int error = 0;
  while (left > 0) {
    const ssize_t n = ::write(fd, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error = n < 0 ? errno : ENOSPC;
      break;
    }
    p += n;
    left -= std::size_t(n);
  }
  if (::close(fd) != 0 && error == 0 && errno != EINTR) error = errno;
  return error;
}
