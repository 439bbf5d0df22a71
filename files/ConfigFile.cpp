#include "files/ConfigFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
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

bool folderExists(const QString& path) { return QFileInfo(QFileInfo(path).absolutePath()).isDir(); }

// The one place where errno becomes a file error.
ConfigFileResult fromErrno(int err, const QString& path) {
  ConfigFileResult r;
  r.systemError = err;
  switch (err) {
    case ENOENT:
      r.error = folderExists(path) ? ConfigFileError::FileNotFound : ConfigFileError::InvalidFilename;
      break;
    case ENOTDIR:
    case ENAMETOOLONG:
    case EINVAL:
      r.error = ConfigFileError::InvalidFilename;
      break;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ETXTBSY:
      r.error = ConfigFileError::AccessDenied;
      break;
    case EMFILE:
    case ENFILE:
      r.error = ConfigFileError::TooManyOpenFiles;
      break;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      r.error = ConfigFileError::DiskFull;
      break;
    default:
      r.error = ConfigFileError::Other;
      break;
  }
  return r;
}

ConfigFileResult failure(ConfigFileError error, int err = 0) {
  ConfigFileResult r;
  r.error = error;
  r.systemError = err;
  return r;
}

// Writes all of `record` at the start of `fd`; a short write counts as a full disk.
ConfigFileResult writeAll(int fd, const BarrierConfig& record, const QString& path) {
  std::size_t done = 0;
  while (done < BarrierConfig::Size) {
    const ssize_t n = ::write(fd, record.bytes.data() + done, BarrierConfig::Size - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return fromErrno(errno, path);
    }
    if (n == 0) return failure(ConfigFileError::DiskFull, ENOSPC);
    done += std::size_t(n);
  }
  return {};
}

// For an existing file that may be written but not replaced: written in
// place, never truncated before the bytes are in, and on disk before success.
ConfigFileResult writeInPlace(const QString& target, const BarrierConfig& record) {
  UniqueFd fd(::open(nativeName(target).constData(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  if (!fd.valid()) return fromErrno(errno, target);
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) return fromErrno(errno, target);
  if (!S_ISREG(st.st_mode)) return failure(ConfigFileError::NotRegularFile);
  if (auto r = writeAll(fd.get(), record, target); !r) return r;
  if (::ftruncate(fd.get(), BarrierConfig::Size) != 0) return fromErrno(errno, target);
  if (::fsync(fd.get()) != 0) return fromErrno(errno, target);
  if (fd.close() != 0) return fromErrno(errno, target);
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

// The file a path finally names, each link on the way judged before it is
// followed: someone else's link in a shared folder may lead anywhere the user
// (or root) may write.
ConfigFileResult resolveTarget(const QString& path, QString& target) {
  target = path;
  for (int hops = 0;; ++hops) {
    struct stat link {};
    if (::lstat(nativeName(target).constData(), &link) != 0 || !S_ISLNK(link.st_mode)) return {};
    if (hops == 40) return fromErrno(ELOOP, path);
    const QFileInfo info(target);
    struct stat folder {};
    if (::stat(nativeName(info.absolutePath()).constData(), &folder) != 0) return fromErrno(errno, path);
    const bool shared = (folder.st_mode & (S_IWGRP | S_IWOTH)) != 0;
    if (shared && link.st_uid != ::geteuid() && link.st_uid != folder.st_uid)
      return failure(ConfigFileError::ForeignLink);
    const QString next = info.symLinkTarget();
    if (next.isEmpty()) return fromErrno(EINVAL, path);
    if (!QFileInfo::exists(next) && !QFileInfo(next).isSymLink()) return failure(ConfigFileError::DanglingLink);
    target = next;
  }
}

}  // namespace

QString ConfigFileResult::message() const {
  switch (error) {
    case ConfigFileError::None:
      return {};
    case ConfigFileError::FileNotFound:
      return uiText(UiTexts::txtFileNotFound);
    case ConfigFileError::InvalidFilename:
      return uiText(UiTexts::txtInvalidFilename);
    case ConfigFileError::AccessDenied:
      return uiText(UiTexts::txtFileAccessDenied);
    case ConfigFileError::ReadBeyondEnd:
      return uiText(UiTexts::txtReadBeyondEnd);
    case ConfigFileError::DiskFull:
      return uiText(UiTexts::txtDiskFull);
    case ConfigFileError::TooManyOpenFiles:
      return uiText(UiTexts::txtTooManyOpenFiles);
    case ConfigFileError::NotRegularFile:
      return uiText(UiTexts::txtNotRegularFile);
    case ConfigFileError::ForeignLink:
      return uiText(UiTexts::txtForeignLink);
    case ConfigFileError::DanglingLink:
      return uiText(UiTexts::txtDanglingLink);
    case ConfigFileError::Other:
      break;
  }
  return QString::fromLocal8Bit(std::strerror(systemError));
}

ConfigFileResult readConfigFile(const QString& path, BarrierConfig& record) {
  if (path.isEmpty()) return failure(ConfigFileError::InvalidFilename, ENOENT);
  // Non-blocking so that a named pipe cannot hang the window.
  UniqueFd fd(::open(nativeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (!fd.valid()) return fromErrno(errno, path);
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) return fromErrno(errno, path);
  if (S_ISDIR(st.st_mode)) return failure(ConfigFileError::AccessDenied, EISDIR);
  if (!S_ISREG(st.st_mode)) return failure(ConfigFileError::NotRegularFile);

  BarrierConfig read;
  std::size_t got = 0;
  while (got < BarrierConfig::Size) {
    const ssize_t n = ::read(fd.get(), read.bytes.data() + got, BarrierConfig::Size - got);
    if (n < 0) {
      if (errno == EINTR) continue;
      return fromErrno(errno, path);
    }
    if (n == 0) break;
    got += std::size_t(n);
  }
  if (got < BarrierConfig::Size) return failure(ConfigFileError::ReadBeyondEnd);
  record = read;
  return {};
}

ConfigFileResult writeConfigFile(const QString& path, const BarrierConfig& record) {
  if (path.isEmpty()) return failure(ConfigFileError::InvalidFilename, ENOENT);
  QString target;
  if (const ConfigFileResult r = resolveTarget(path, target); !r) return r;
  const QByteArray targetName = nativeName(target);

  struct stat st {};
  const bool exists = ::stat(targetName.constData(), &st) == 0;
  if (!exists && errno != ENOENT) return fromErrno(errno, target);
  if (exists) {
    if (S_ISDIR(st.st_mode)) return failure(ConfigFileError::AccessDenied, EISDIR);
    // A pipe would hang the window, a device take bytes that are no file.
    if (!S_ISREG(st.st_mode)) return failure(ConfigFileError::NotRegularFile);
    // Replacing would get round a read-only file; refuse as a direct write would.
    // As the effective user, who writes the file.
    if (::faccessat(AT_FDCWD, targetName.constData(), W_OK, AT_EACCESS) != 0) return fromErrno(errno, target);
  }

  const QFileInfo info(target);
  const QString folder = info.absolutePath();
  QString tempPath;
  UniqueFd fd;
  for (int attempt = 0; attempt < 100 && !fd.valid(); ++attempt) {
    tempPath = temporaryNameFor(folder, info.fileName());
    fd.reset(::open(nativeName(tempPath).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (!fd.valid() && errno != EEXIST) break;
  }
  if (!fd.valid()) {
    const int err = errno;
    // A writable file in a folder we may not add to: fall back to writing it in place.
    if (exists && (err == EACCES || err == EPERM)) return writeInPlace(target, record);
    return fromErrno(err, target);
  }
  const QByteArray tempName = nativeName(tempPath);
  auto fail = [&](ConfigFileResult r) {
    fd.reset();
    ::unlink(tempName.constData());
    return r;
  };

  if (exists) {
    ::fchmod(fd.get(), st.st_mode & 07777);
    [[maybe_unused]] const int ignored = ::fchown(fd.get(), st.st_uid, st.st_gid);  // only root can
  }
  if (auto r = writeAll(fd.get(), record, target); !r) return fail(r);
  if (::fsync(fd.get()) != 0) return fail(fromErrno(errno, target));
  if (fd.close() != 0) return fail(fromErrno(errno, target));
  if (::rename(tempName.constData(), targetName.constData()) != 0) {
    const int err = errno;
    // Someone else's file in a sticky folder: ours to write, not to replace.
    if (exists && (err == EPERM || err == EACCES)) {
      fail({});
      return writeInPlace(target, record);
    }
    return fail(fromErrno(err, target));
  }

  UniqueFd dir(::open(nativeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.valid()) ::fsync(dir.get());  // the rename itself on disk; failure here loses nothing
  return {};
}
