#pragma once
// Tests of who may write what play several users: run as root (as CI runs),
// a test acts as another user for a scope and plants links as a third.
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QString>
#include <cstdio>
#include <cstdlib>

inline constexpr uid_t Nobody = 65534;
// A user who is neither the one acting nor any folder's owner.
inline constexpr uid_t Stranger = 4242;

// Root acts as `uid` until the end of the scope; anyone else stays who they
// are. A test that cannot switch back must not go on as someone else.
class ActingAs {
 public:
  explicit ActingAs(uid_t uid) : acting_(::geteuid() == 0) {
    if (acting_) check(::seteuid(uid));
  }
  ~ActingAs() {
    if (acting_) check(::seteuid(0));
  }
  ActingAs(const ActingAs&) = delete;
  ActingAs& operator=(const ActingAs&) = delete;

 private:
  static void check(int result) {
    if (result == 0) return;
    std::perror("seteuid");
    std::abort();
  }
  bool acting_;
};

inline bool isRoot() { return ::geteuid() == 0; }

// A symbolic link at `link` to `target`, owned by `owner` (root only).
inline bool plantLink(const QString& target, const QString& link, uid_t owner) {
  return QFile::link(target, link) && ::lchown(QFile::encodeName(link).constData(), owner, owner) == 0;
}

// A folder's or file's owner and mode, set as root would.
inline bool setOwnerAndMode(const QString& path, uid_t owner, mode_t mode) {
  const QByteArray name = QFile::encodeName(path);
  return ::chown(name.constData(), owner, owner) == 0 && ::chmod(name.constData(), mode) == 0;
}

// The permission bits of `path` (not following a link); -1 when it is not there.
inline mode_t modeOf(const QString& path) {
  struct stat st {};
  return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 07777 : mode_t(-1);
}
