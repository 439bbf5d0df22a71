#include "util/OutputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>
#include <climits>
#include <cstring>

#include "texts/UiTexts.h"
#include "util/UniqueFd.h"

namespace {

QByteArray nativeName(const QString& path) { return QFile::encodeName(path); }

OutputResult failure(OutputFailure failure) { return {failure, 0}; }
OutputResult systemFailure(int err) { return {OutputFailure::System, err}; }

OutputResult writeAll(int fd, const QByteArray& bytes) {
  const char* p = bytes.constData();
  std::size_t left = std::size_t(bytes.size());
  while (left > 0) {
    const ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      return systemFailure(errno);
    }
    if (n == 0) return systemFailure(ENOSPC);
    p += n;
    left -= std::size_t(n);
  }
  return {};
}

// For an existing file that may be written but not replaced: written in
// place, never truncated before the bytes are in, and on disk before success.
OutputResult writeInPlace(const QString& target, const QByteArray& bytes) {
  UniqueFd fd(::open(nativeName(target).constData(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  if (!fd.valid()) return systemFailure(errno);
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) return systemFailure(errno);
  if (!S_ISREG(st.st_mode)) return failure(OutputFailure::NotRegularFile);
  if (auto r = writeAll(fd.get(), bytes); !r) return r;
  if (::ftruncate(fd.get(), bytes.size()) != 0) return systemFailure(errno);
  if (::fsync(fd.get()) != 0) return systemFailure(errno);
  if (fd.close() != 0) return systemFailure(errno);
  return {};
}

// A hidden name beside `target` for the bytes before they replace it, within
// the folder's limit on a name's length: a long target name is cut.
QString temporaryNameFor(const QString& folder, const QString& fileName) {
  long nameMax = ::pathconf(nativeName(folder).constData(), _PC_NAME_MAX);
  if (nameMax <= 0) nameMax = NAME_MAX;
  const QString tail =
      QStringLiteral(".") + QString::number(QRandomGenerator::global()->generate(), 36) + QStringLiteral(".tmp");
  QString stem = QStringLiteral(".") + fileName;
  while (!stem.isEmpty() && nativeName(stem + tail).size() > nameMax) stem.chop(1);
  // A character of two UTF-16 units cut in half is dropped whole.
  if (!stem.isEmpty() && stem.back().isHighSurrogate()) stem.chop(1);
  return folder + QLatin1Char('/') + stem + tail;
}

}  // namespace

QString OutputResult::message() const {
  switch (failure) {
    case OutputFailure::None:
      return {};
    case OutputFailure::ForeignLink:
      return uiText(UiTexts::txtForeignLink);
    case OutputFailure::DanglingLink:
      return uiText(UiTexts::txtDanglingLink);
    case OutputFailure::NotRegularFile:
      return uiText(UiTexts::txtNotRegularFile);
    case OutputFailure::System:
      break;
  }
  return QString::fromLocal8Bit(std::strerror(systemError));
}

OutputResult resolveOutputPath(const QString& path, QString& target) {
  target = path;
  if (path.isEmpty()) return systemFailure(ENOENT);
  for (int hops = 0;; ++hops) {
    struct stat link {};
    if (::lstat(nativeName(target).constData(), &link) != 0 || !S_ISLNK(link.st_mode)) return {};
    if (hops == 40) return systemFailure(ELOOP);
    const QFileInfo info(target);
    struct stat folder {};
    if (::stat(nativeName(info.absolutePath()).constData(), &folder) != 0) return systemFailure(errno);
    const bool shared = (folder.st_mode & (S_IWGRP | S_IWOTH)) != 0;
    if (shared && link.st_uid != ::geteuid() && link.st_uid != folder.st_uid)
      return failure(OutputFailure::ForeignLink);
    const QString next = info.symLinkTarget();
    if (next.isEmpty()) return systemFailure(EINVAL);
    if (!QFileInfo::exists(next) && !QFileInfo(next).isSymLink()) return failure(OutputFailure::DanglingLink);
    target = next;
  }
}

OutputResult writeOutputFile(const QString& path, const QByteArray& bytes, mode_t newFileMode) {
  QString target;
  if (const OutputResult r = resolveOutputPath(path, target); !r) return r;
  const QByteArray targetName = nativeName(target);

  struct stat st {};
  const bool exists = ::stat(targetName.constData(), &st) == 0;
  if (!exists && errno != ENOENT) return systemFailure(errno);
  if (exists) {
    if (S_ISDIR(st.st_mode)) return systemFailure(EISDIR);
    // A pipe would hang the program, a device take bytes that are no file.
    if (!S_ISREG(st.st_mode)) return failure(OutputFailure::NotRegularFile);
    // Replacing would get round a read-only file; refuse as a direct write would.
    // As the effective user, who writes the file.
    if (::faccessat(AT_FDCWD, targetName.constData(), W_OK, AT_EACCESS) != 0) return systemFailure(errno);
  }

  const QFileInfo info(target);
  const QString folder = info.absolutePath();
  QString tempPath;
  UniqueFd fd;
  for (int attempt = 0; attempt < 100 && !fd.valid(); ++attempt) {
    tempPath = temporaryNameFor(folder, info.fileName());
    fd.reset(::open(nativeName(tempPath).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                    exists ? PrivateFileMode : newFileMode));
    if (!fd.valid() && errno != EEXIST) break;
  }
  if (!fd.valid()) {
    const int err = errno;
    // A writable file in a folder we may not add to: fall back to writing it in place.
    if (exists && (err == EACCES || err == EPERM)) return writeInPlace(target, bytes);
    return systemFailure(err);
  }
  const QByteArray tempName = nativeName(tempPath);
  auto fail = [&](OutputResult r) {
    fd.reset();
    ::unlink(tempName.constData());
    return r;
  };

  if (exists) {
    ::fchmod(fd.get(), st.st_mode & 07777);
    [[maybe_unused]] const int ignored = ::fchown(fd.get(), st.st_uid, st.st_gid);  // only root can
  }
  if (auto r = writeAll(fd.get(), bytes); !r) return fail(r);
  if (::fsync(fd.get()) != 0) return fail(systemFailure(errno));
  if (fd.close() != 0) return fail(systemFailure(errno));
  if (::rename(tempName.constData(), targetName.constData()) != 0) {
    const int err = errno;
    // Someone else's file in a sticky folder: ours to write, not to replace.
    if (exists && (err == EPERM || err == EACCES)) {
      fail({});
      return writeInPlace(target, bytes);
    }
    return fail(systemFailure(err));
  }

  UniqueFd dir(::open(nativeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.valid()) ::fsync(dir.get());  // the rename itself on disk; failure here loses nothing
  return {};
}

OutputResult prepareOutputFile(const QString& path, QString& target, mode_t newFileMode) {
  if (const OutputResult r = resolveOutputPath(path, target); !r) return r;
  const QByteArray targetName = nativeName(target);
  struct stat st {};
  if (::stat(targetName.constData(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) return systemFailure(EISDIR);
    if (!S_ISREG(st.st_mode)) return failure(OutputFailure::NotRegularFile);
  }
  // O_NOFOLLOW: the target was judged; a link that took its place since is not.
  UniqueFd fd(::open(targetName.constData(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, newFileMode));
  if (!fd.valid()) return errno == ELOOP ? failure(OutputFailure::NotRegularFile) : systemFailure(errno);
  if (::fstat(fd.get(), &st) != 0) return systemFailure(errno);
  if (!S_ISREG(st.st_mode)) return failure(OutputFailure::NotRegularFile);
  return {};
}

OutputResult appendToOwnFile(const QString& path, const QByteArray& bytes, bool create, mode_t newFileMode) {
  const QByteArray name = nativeName(path);
  // O_NONBLOCK: a pipe planted under the name must not hang the program; it
  // is refused below like every other file that is not a regular one.
  constexpr int flags = O_WRONLY | O_APPEND | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
  UniqueFd fd(::open(name.constData(), flags));
  if (!fd.valid() && create && errno == ENOENT) {
    // O_EXCL: a name that appeared since the first try (a link among them) is not ours to create.
    fd.reset(::open(name.constData(), flags | O_CREAT | O_EXCL, newFileMode));
    if (!fd.valid() && errno == EEXIST) fd.reset(::open(name.constData(), flags));
  }
  if (!fd.valid()) return errno == ELOOP ? failure(OutputFailure::NotRegularFile) : systemFailure(errno);
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return failure(OutputFailure::NotRegularFile);
  // One write, so that what is appended never interleaves with another writer's.
  OutputResult r = writeAll(fd.get(), bytes);
  if (fd.close() != 0 && r && errno != EINTR) r = systemFailure(errno);
  return r;
}

OutputFile::OutputFile(QString path, mode_t newFileMode) : path_(std::move(path)), newFileMode_(newFileMode) {}

bool OutputFile::fail(OutputResult result) {
  result_ = result;
  setErrorString(result_.message());
  return false;
}

bool OutputFile::open(OpenMode mode) {
  QString target;
  if (const OutputResult r = resolveOutputPath(path_, target); !r) return fail(r);
  return QBuffer::open(mode);
}

bool OutputFile::commit() {
  close();
  if (const OutputResult r = writeOutputFile(path_, data(), newFileMode_); !r) return fail(r);
  return true;
}
