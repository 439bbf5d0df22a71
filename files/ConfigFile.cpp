#include "ConfigFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>

#include "Unit1txt.h"

namespace {

class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  ~Fd() { Reset(); }
  int Get() const { return fd_; }
  bool Valid() const { return fd_ >= 0; }
  // Closes now and reports close()'s own failure, which a write may surface late.
  int Close() {
    const int fd = fd_;
    fd_ = -1;
    return fd >= 0 ? ::close(fd) : 0;
  }
  void Reset(int fd = -1) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }

 private:
  int fd_;
};

QByteArray NativeName(const QString& path) { return QFile::encodeName(path); }

bool FolderExists(const QString& path) { return QFileInfo(QFileInfo(path).absolutePath()).isDir(); }

// The one place where errno becomes a file error.
ConfigFileResult FromErrno(int err, const QString& path) {
  ConfigFileResult r;
  r.systemError = err;
  switch (err) {
    case ENOENT:
      r.error = FolderExists(path) ? ConfigFileError::FileNotFound : ConfigFileError::InvalidFilename;
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

ConfigFileResult Failure(ConfigFileError error, int err = 0) {
  ConfigFileResult r;
  r.error = error;
  r.systemError = err;
  return r;
}

// Writes all of `record` at the start of `fd`; a short write counts as a full disk.
ConfigFileResult WriteAll(int fd, const BarrierConfig& record, const QString& path) {
  std::size_t done = 0;
  while (done < BarrierConfig::Size) {
    const ssize_t n = ::write(fd, record.bytes.data() + done, BarrierConfig::Size - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return FromErrno(errno, path);
    }
    if (n == 0) return Failure(ConfigFileError::DiskFull, ENOSPC);
    done += std::size_t(n);
  }
  return {};
}

// For a target that is not a plain file (a device) or whose folder we may not
// create files in: written in place, never truncated before the bytes are in.
ConfigFileResult WriteInPlace(const QString& target, const BarrierConfig& record) {
  Fd fd(::open(NativeName(target).constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666));
  if (!fd.Valid()) return FromErrno(errno, target);
  if (auto r = WriteAll(fd.Get(), record, target); !r) return r;
  struct stat st {};
  if (::fstat(fd.Get(), &st) == 0 && S_ISREG(st.st_mode) && ::ftruncate(fd.Get(), BarrierConfig::Size) != 0)
    return FromErrno(errno, target);
  if (fd.Close() != 0) return FromErrno(errno, target);
  return {};
}

// The file a path finally names: symbolic links are followed, also dangling ones.
QString ResolveTarget(const QString& path) {
  const QFileInfo info(path);
  if (!info.isSymLink()) return path;
  const QString canonical = info.canonicalFilePath();
  return canonical.isEmpty() ? info.symLinkTarget() : canonical;
}

}  // namespace

QString ConfigFileResult::Message() const {
  switch (error) {
    case ConfigFileError::None:
      return {};
    case ConfigFileError::FileNotFound:
      return Text(Unit1txt::txtFileNotFound);
    case ConfigFileError::InvalidFilename:
      return Text(Unit1txt::txtInvalidFilename);
    case ConfigFileError::AccessDenied:
      return Text(Unit1txt::txtFileAccessDenied);
    case ConfigFileError::ReadBeyondEnd:
      return Text(Unit1txt::txtReadBeyondEnd);
    case ConfigFileError::DiskFull:
      return Text(Unit1txt::txtDiskFull);
    case ConfigFileError::TooManyOpenFiles:
      return Text(Unit1txt::txtTooManyOpenFiles);
    case ConfigFileError::Other:
      break;
  }
  return Text(Unit1txt::txtIoError).arg(systemError);
}

ConfigFileResult ReadConfigFile(const QString& path, BarrierConfig& record) {
  if (path.isEmpty()) return Failure(ConfigFileError::InvalidFilename, ENOENT);
  // Non-blocking so that a named pipe cannot hang the window.
  Fd fd(::open(NativeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (!fd.Valid()) return FromErrno(errno, path);
  struct stat st {};
  if (::fstat(fd.Get(), &st) != 0) return FromErrno(errno, path);
  if (S_ISDIR(st.st_mode)) return Failure(ConfigFileError::AccessDenied, EISDIR);

  BarrierConfig read;
  std::size_t got = 0;
  while (got < BarrierConfig::Size) {
    const ssize_t n = ::read(fd.Get(), read.bytes.data() + got, BarrierConfig::Size - got);
    if (n < 0) {
      if (errno == EINTR) continue;
      return FromErrno(errno, path);
    }
    if (n == 0) break;
    got += std::size_t(n);
  }
  if (got < BarrierConfig::Size) return Failure(ConfigFileError::ReadBeyondEnd);
  record = read;
  return {};
}

ConfigFileResult WriteConfigFile(const QString& path, const BarrierConfig& record) {
  if (path.isEmpty()) return Failure(ConfigFileError::InvalidFilename, ENOENT);
  const QString target = ResolveTarget(path);
  const QByteArray targetName = NativeName(target);

  struct stat st {};
  const bool exists = ::stat(targetName.constData(), &st) == 0;
  if (!exists && errno != ENOENT) return FromErrno(errno, target);
  if (exists) {
    if (S_ISDIR(st.st_mode)) return Failure(ConfigFileError::AccessDenied, EISDIR);
    if (!S_ISREG(st.st_mode)) return WriteInPlace(target, record);
    // Replacing would get round a read-only file; refuse as a direct write would.
    if (::access(targetName.constData(), W_OK) != 0) return FromErrno(errno, target);
  }

  const QFileInfo info(target);
  const QString folder = info.absolutePath();
  QString tempPath;
  Fd fd;
  for (int attempt = 0; attempt < 100 && !fd.Valid(); ++attempt) {
    tempPath = folder + QStringLiteral("/.") + info.fileName() + QStringLiteral(".") +
               QString::number(QRandomGenerator::global()->generate(), 36) + QStringLiteral(".tmp");
    fd.Reset(::open(NativeName(tempPath).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (!fd.Valid() && errno != EEXIST) break;
  }
  if (!fd.Valid()) {
    const int err = errno;
    // A writable file in a folder we may not add to: fall back to writing it in place.
    if (exists && (err == EACCES || err == EPERM)) return WriteInPlace(target, record);
    return FromErrno(err, target);
  }
  const QByteArray tempName = NativeName(tempPath);
  auto fail = [&](ConfigFileResult r) {
    fd.Reset();
    ::unlink(tempName.constData());
    return r;
  };

  if (exists) {
    ::fchmod(fd.Get(), st.st_mode & 07777);
    [[maybe_unused]] const int ignored = ::fchown(fd.Get(), st.st_uid, st.st_gid);  // only root can
  }
  if (auto r = WriteAll(fd.Get(), record, target); !r) return fail(r);
  if (::fsync(fd.Get()) != 0) return fail(FromErrno(errno, target));
  if (fd.Close() != 0) return fail(FromErrno(errno, target));
  if (::rename(tempName.constData(), targetName.constData()) != 0) return fail(FromErrno(errno, target));

  Fd dir(::open(NativeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.Valid()) ::fsync(dir.Get());  // the rename itself on disk; failure here loses nothing
  return {};
}
