#include "util/UserFolder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>

namespace {

bool isSystemFolder(const QString& canonical) {
  static const char* const roots[] = {"/usr", "/bin",  "/sbin", "/lib", "/lib32", "/lib64", "/libx32", "/opt",
                                      "/etc", "/boot", "/var",  "/srv", "/snap",  "/nix",   "/gnu"};
  if (canonical == QLatin1String("/")) return true;
  for (const char* root : roots) {
    const QLatin1String r(root);
    if (canonical == r || canonical.startsWith(r + QLatin1Char('/'))) return true;
  }
  return false;
}

}  // namespace

bool isUsersOwnFolder(const QString& folder) {
  const QString canonical = QFileInfo(folder).canonicalFilePath();
  if (canonical.isEmpty() || isSystemFolder(canonical)) return false;
  struct stat st {};
  if (::stat(QFile::encodeName(canonical).constData(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
  if (st.st_uid != ::geteuid() || !(st.st_mode & S_IWUSR)) return false;
  if (st.st_mode & S_IWOTH) return false;
  // Group write is the user's own only with a private group (umask 002 systems).
  return !(st.st_mode & S_IWGRP) || st.st_gid == ::getegid();
}

QString userStateFolder() {
  QString state = qEnvironmentVariable("XDG_STATE_HOME");
  if (state.isEmpty() || !QDir::isAbsolutePath(state)) state = QDir::homePath() + QStringLiteral("/.local/state");
  const QString folder = state + QStringLiteral("/Dravel/Orvita");
  makePrivateFolder(folder);
  return folder;
}

bool makePrivateFolder(const QString& path) {
  const QString absolute = QDir::cleanPath(QDir::current().absoluteFilePath(path));
  // Top down, so that each folder is made inside the one made before it.
  for (qsizetype slash = absolute.indexOf(QLatin1Char('/'), 1);;
       slash = absolute.indexOf(QLatin1Char('/'), slash + 1)) {
    const QString folder = slash < 0 ? absolute : absolute.left(slash);
    if (::mkdir(QFile::encodeName(folder).constData(), 0700) != 0 && errno != EEXIST) return false;
    if (slash < 0) break;
  }
  return QFileInfo(absolute).isDir();
}
