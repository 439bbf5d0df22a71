#include "files/ConfigFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>

#include "texts/UiTexts.h"
#include "util/OutputFile.h"
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

// A refusal or failure of the one writer of files, as a configuration file's error.
ConfigFileResult fromOutput(const OutputResult& result, const QString& path) {
  switch (result.failure) {
    case OutputFailure::None:
      return {};
    case OutputFailure::ForeignLink:
      return failure(ConfigFileError::ForeignLink);
    case OutputFailure::DanglingLink:
      return failure(ConfigFileError::DanglingLink);
    case OutputFailure::NotRegularFile:
      return failure(ConfigFileError::NotRegularFile);
    case OutputFailure::System:
      break;
  }
  return fromErrno(result.systemError, path);
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
  const QByteArray bytes(reinterpret_cast<const char*>(record.bytes.data()), qsizetype(BarrierConfig::Size));
  return fromOutput(writeOutputFile(path, bytes, UmaskFileMode), path);
}
